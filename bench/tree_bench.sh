#!/usr/bin/env bash
# Whole-tree benchmark: kembrel against cat (read-only baseline) and sed -i on
# a generated sparse and dense tree, page cache warm. Prints a Markdown table
# of median wall times and checks that kembrel and sed wrote the same text.
#
# Usage: bash bench/tree_bench.sh [--runs N] [--seed N] [--no-build]
#          [--kembrel PATH] [--sparse "make_tree flags"] [--dense "make_tree flags"]
#          [--keep]
# Environment: TMPDIR picks the scratch place when /dev/shm is missing.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)

runs=5
seed=20240601
build=1
keep=0
kembrel=""
sparse_args=""
dense_args=""
search=OldCompanyName
replace=NewCo            # shorter than the search: every rewritten line moves

while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift 2 ;;
        --seed) seed=$2; shift 2 ;;
        --no-build) build=0; shift ;;
        --kembrel) kembrel=$2; build=0; shift 2 ;;
        --sparse) sparse_args=$2; shift 2 ;;
        --dense) dense_args=$2; shift 2 ;;
        --keep) keep=1; shift ;;
        -h|--help) awk 'NR > 1 && /^#/ { print; next } NR > 1 { exit }' "${BASH_SOURCE[0]}"; exit 0 ;;
        *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done

if [ "$build" = 1 ]; then
    echo "building kembrel (release)..." >&2
    (cd "$root" && cmake --preset release >/dev/null && cmake --build build/release >/dev/null)
fi
kembrel=${kembrel:-$root/build/release/console/kembrel}
[ -x "$kembrel" ] || { echo "no kembrel binary at $kembrel" >&2; exit 1; }
kembrel=$(cd "$(dirname "$kembrel")" && pwd)/$(basename "$kembrel")

# tmpfs keeps the disk out of the figures: we measure the tools, not the device.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then base=/dev/shm; else base=${TMPDIR:-/tmp}; fi
work=$(mktemp -d "$base/kembrel-tree-bench.XXXXXX")
cleanup() {
    if [ "$keep" = 1 ]; then echo "kept $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

# kembrel writes error.log into the directory it starts in; keep it out of the tree.
cwd=$work/cwd
mkdir -p "$cwd"

have_hyperfine=0
command -v hyperfine >/dev/null 2>&1 && have_hyperfine=1

q() { printf '%q' "$1"; }

# Byte semantics for sed, as kembrel has; it is also sed's fast path.
export LC_ALL=C

# median_of FILE: median of the numbers (seconds), one per line.
median_of() {
    sort -g "$1" | awk '{ v[NR] = $1 } END {
        if (NR % 2) printf "%.6f\n", v[(NR + 1) / 2];
        else printf "%.6f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# measure NAME PREPARE COMMAND: prints the median seconds of COMMAND over $runs
# runs, PREPARE (untimed) before each one, after one warm-up run.
measure() {
    local name=$1 prepare=$2 cmd=$3
    if [ "$have_hyperfine" = 1 ]; then
        local json=$work/$name.json
        hyperfine --style none --warmup 1 --runs "$runs" --prepare "$prepare" \
            --export-json "$json" "$cmd" >/dev/null
        python3 -c 'import json,sys; print("%.6f" % json.load(open(sys.argv[1]))["results"][0]["median"])' "$json"
    else
        local times=$work/$name.times i t0 t1
        : >"$times"
        for ((i = 0; i <= runs; i++)); do
            bash -c "$prepare"
            t0=$(date +%s%N)
            bash -c "$cmd"
            t1=$(date +%s%N)
            # Run 0 only warms the cache.
            if [ "$i" -gt 0 ]; then
                awk -v ns="$(( t1 - t0 ))" 'BEGIN { printf "%.6f\n", ns / 1e9 }' >>"$times"
            fi
        done
        median_of "$times"
    fi
}

# same_text A B: compares two trees file by file, CR LF taken as LF. Prints a
# verdict line; returns non-zero when they differ.
same_text() {
    python3 - "$1" "$2" <<'EOF'
import os, sys
a, b = sys.argv[1], sys.argv[2]
def listing(top):
    out = set()
    for d, _, files in os.walk(top):
        for f in files:
            out.add(os.path.relpath(os.path.join(d, f), top))
    return out
la, lb = listing(a), listing(b)
bad = sorted(la ^ lb)
for rel in sorted(la & lb):
    with open(os.path.join(a, rel), "rb") as f: x = f.read()
    with open(os.path.join(b, rel), "rb") as f: y = f.read()
    if x != y and x.replace(b"\r\n", b"\n") != y.replace(b"\r\n", b"\n"):
        bad.append(rel)
if bad:
    print("DIFFER in %d files, e.g. %s" % (len(bad), ", ".join(bad[:5])))
    sys.exit(1)
print("agree on all %d files" % len(la))
EOF
}

# changed_count PRISTINE TREE: how many files differ byte for byte.
changed_count() {
    python3 - "$1" "$2" <<'EOF'
import os, sys
a, b = sys.argv[1], sys.argv[2]
n = 0
for d, _, files in os.walk(a):
    for f in files:
        rel = os.path.relpath(os.path.join(d, f), a)
        p = os.path.join(b, rel)
        with open(os.path.join(a, rel), "rb") as fa:
            x = fa.read()
        try:
            with open(p, "rb") as fb:
                y = fb.read()
        except FileNotFoundError:
            y = None
        n += x != y
print(n)
EOF
}

# /x is optional; probe it on a scratch file so an unfinished regex engine
# just drops the row.
probe=$work/probe
mkdir -p "$probe"
echo "a OldCompanyName b" >"$probe/p.txt"
(cd "$cwd" && "$kembrel" "/D:$probe" '/F:*.txt' '/S:Old([A-Z][a-z]+)Name' '/R:New\1Ltd' /c /x >/dev/null) || true
regex_ok=0
grep -q NewCompanyLtd "$probe/p.txt" && regex_ok=1

notes=()
[ "$regex_ok" = 1 ] || notes+=("kembrel /x changed nothing in a probe file: regex rows skipped.")
[ "$have_hyperfine" = 1 ] || notes+=("hyperfine not found: timed with a bash loop (date +%s%N), shell start-up included.")

table=$work/table.md
{
    echo "| tree | tool | median s | ratio to cat |"
    echo "|---|---|---:|---:|"
} >"$table"
checks=()

for shape in sparse dense; do
    dir=$work/$shape
    mkdir -p "$dir"
    extra=${sparse_args}
    [ "$shape" = dense ] && extra=${dense_args}
    # shellcheck disable=SC2086  # flags are meant to split
    python3 "$here/make_tree.py" "$dir/pristine" --shape "$shape" --seed "$seed" \
        --manifest "$dir/manifest.json" $extra
    tree=$dir/tree
    restore="rm -rf $(q "$tree") && cp -a $(q "$dir/pristine") $(q "$tree")"
    bash -c "$restore"

    files="find $(q "$tree") -type f -name '*.txt' -print0 | xargs -0"
    k="cd $(q "$cwd") && $(q "$kembrel") $(q "/D:$tree") '/F:*.txt'"

    # name|label|command; the cat row must come first, it is the baseline.
    rows=(
        "cat|cat, read only|$files cat >/dev/null"
        # cat maps a fresh buffer per file; wc reuses one, a lower floor for reading.
        "wc|wc -l, read only|$files wc -l >/dev/null"
        "kembrel-cs|kembrel /c /i, case-sensitive|$k /S:$search /R:$replace /c /i >/dev/null"
        "sed-cs|sed -i s///g|$files sed -i 's/$search/$replace/g'"
        "kembrel-ci|kembrel /i, case-insensitive|$k /S:$search /R:$replace /i >/dev/null"
        "sed-ci|sed -i s///gI|$files sed -i 's/$search/$replace/gI'"
    )
    if [ "$regex_ok" = 1 ]; then
        rows+=(
            "kembrel-rx|kembrel /x /c /i|$k '/S:Old([A-Z][a-z]+)Name' '/R:New\\1Ltd' /x /c /i >/dev/null"
            "sed-rx|sed -E -i|$files sed -E -i 's/Old([A-Z][a-z]+)Name/New\\1Ltd/g'"
        )
    fi

    baseline=""
    for row in "${rows[@]}"; do
        IFS='|' read -r name label cmd <<<"$row"
        echo "[$shape] timing $label..." >&2
        if [ "$name" = cat ] || [ "$name" = wc ]; then
            # Read only: the tree stays as it is, no restore needed.
            secs=$(measure "$shape-$name" true "$cmd")
            baseline=${baseline:-$secs}
        else
            secs=$(measure "$shape-$name" "$restore" "$cmd")
            # The tree now holds the last timed run's output: keep it to compare.
            mv "$tree" "$dir/out-$name"
            bash -c "$restore"
        fi
        ratio=$(awk -v s="$secs" -v b="$baseline" 'BEGIN { printf "%.2f", s / b }')
        printf '| %s | %s | %.3f | %sx |\n' "$shape" "$label" "$secs" "$ratio" >>"$table"
    done

    read -r want_cs want_ci <<<"$(python3 -c 'import json,sys; m = json.load(open(sys.argv[1])); print(m["files_with_exact"], m["files_with_any_case"])' "$dir/manifest.json")"
    for mode in cs ci rx; do
        [ -d "$dir/out-kembrel-$mode" ] || continue
        verdict=$(same_text "$dir/out-kembrel-$mode" "$dir/out-sed-$mode") || true
        changed=$(changed_count "$dir/pristine" "$dir/out-kembrel-$mode")
        case $mode in
            cs) want=" (tree has $want_cs)" ;;
            ci) want=" (tree has $want_ci)" ;;
            *) want="" ;;
        esac
        checks+=("$shape, $mode: kembrel vs sed modulo CR LF: $verdict; kembrel changed $changed files$want")
        rm -rf "$dir/out-kembrel-$mode" "$dir/out-sed-$mode"
    done
    if [ -s "$cwd/error.log" ]; then
        checks+=("$shape: kembrel error.log is not empty: $(head -c 300 "$cwd/error.log")")
    fi
    [ "$keep" = 1 ] || rm -rf "$dir/pristine" "$tree"
done

echo
echo "kembrel tree benchmark: median of $runs runs, seed $seed, scratch on $base, $(nproc) CPUs"
echo
cat "$table"
echo
for c in "${checks[@]}"; do echo "- $c"; done
for n in "${notes[@]+"${notes[@]}"}"; do echo "- $n"; done
