#!/usr/bin/env bash
# Runs kembrel (release) on large inputs and reports time and peak memory:
# a 2 GiB file, a file whose one line is 200 MB, a tree of 100,000 files and
# a tree 200 directories deep. Each run must finish with exit status 0 and
# the expected count. Needs about 5 GiB free where it works (TMPDIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cmake --preset release -S "$root" >/dev/null
cmake --build "$root/build/release" --target kembrel >/dev/null
kembrel="$root/build/release/console/kembrel"
command -v /usr/bin/time >/dev/null || apt-get install -y -qq time >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

measure() {  # name expected-count switches...
    local name="$1" expected="$2"
    shift 2
    /usr/bin/time -v -o time.txt "$kembrel" "$@" > out.txt
    local count rss elapsed
    count=$(grep -o '[0-9]* files modified' out.txt | grep -o '[0-9]*')
    rss=$(grep 'Maximum resident' time.txt | grep -o '[0-9]*$')
    elapsed=$(grep 'Elapsed (wall' time.txt | awk '{print $NF}')
    if [ "$count" != "$expected" ]; then
        echo "$name: expected $expected files modified, got $count" >&2
        exit 1
    fi
    printf '| %s | %s | %s s | %d MiB |\n' "$name" "$count" "$elapsed" $((rss / 1024))
}

echo "| input | files modified | time | peak resident memory |"
echo "|---|---|---|---|"

mkdir big && python3 - <<'PY'
import os
line = b"ordinary text of a line that holds nothing to change here.....\n"  # 64 bytes
hit = b"this line holds the word Needle which is to be replaced.......\n"
with open("big/huge.txt", "wb") as f:
    block = b"".join(hit if i % 100 == 0 else line for i in range(16384))  # 1 MiB
    for _ in range(2048):
        f.write(block)
with open("big/longline.txt", "wb") as f:
    f.write(b"x" * (100 * 1024 * 1024) + b"Needle" + b"y" * (100 * 1024 * 1024) + b"\n")
PY
measure "2 GiB file, string in 1% of its lines" 1 /D:big /F:huge.txt /S:Needle /R:Pin /c
measure "one line of 200 MB" 1 /D:big /F:longline.txt /S:Needle /R:Pin /c
rm -rf big

mkdir many && python3 - <<'PY'
import os
for d in range(400):
    os.makedirs(f"many/d{d:03}")
    for f in range(250):
        with open(f"many/d{d:03}/f{f:03}.txt", "w") as out:
            out.write("Needle here\n" if f == 0 else "nothing to see\n")
PY
measure "100,000 files in 400 directories" 400 /D:many /F:*.txt /S:Needle /R:Pin /c /i
rm -rf many

path=deep
for i in $(seq 1 200); do path="$path/d$i"; done
mkdir -p "$path" && echo "Needle" > "$path/bottom.txt" && echo "Needle" > deep/top.txt
measure "a tree 200 directories deep" 2 /D:deep /F:*.txt /S:Needle /R:Pin /c /i
