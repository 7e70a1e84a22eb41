#!/usr/bin/env python3
"""Generate a reproducible tree of text files for the whole-tree benchmark.

Shapes:
  sparse    many small files in many directories; about 1% hold the search string
  dense     fewer, larger files; every one holds the search string many times
  huge      one big file (--size-mb) with the search string in 1% of its lines
  longline  one file that is a single line of --size-mb MB holding the string

The same seed and flags always give byte-identical trees. A JSON summary
(file counts, bytes, how many files hold the string) goes to --manifest.
"""

import argparse
import json
import math
import os
import random
import sys

DEFAULTS = {
    "sparse": {"files": 5000, "dirs": 300, "mean_kb": 8.0},
    "dense": {"files": 500, "dirs": 25, "mean_kb": 40.0},
    # One text file; the size comes from --size-mb.
    "huge": {"files": 1, "dirs": 1, "mean_kb": 0.0, "size_mb": 500.0},
    "longline": {"files": 1, "dirs": 1, "mean_kb": 0.0, "size_mb": 100.0},
}

WORDS = (
    "alpha beta gamma delta report invoice customer order shipment value total "
    "account balance ledger client supplier contract clause section page note "
    "draft final review approved pending status update record entry index table "
    "column field string number date time year month week region office branch "
    "the of and to in for on with by from at as is was are be this that which "
    "Company Name Old New Ltd Inc Corp Group Holding Partners Services Systems"
).split()

# Partial matches make the searcher work past the first few characters
# without ever completing a match.
NEAR_MISSES = ["OldCompany", "CompanyName", "OldCompanyNam", "oldcompanynam", "Old-CompanyName"]


def case_variant(rng, search):
    return rng.choice([search.lower(), search.upper(), search[:1].lower() + search[1:]])


def make_pool(rng, count):
    """Lines to draw file bodies from; drawing beats building text word by word."""
    pool = []
    for _ in range(count):
        roll = rng.random()
        if roll < 0.05:
            pool.append("")
            continue
        # A few long lines, as in generated or minified text.
        n = rng.randint(60, 300) if roll < 0.07 else rng.randint(3, 16)
        words = []
        for _ in range(n):
            words.append(rng.choice(NEAR_MISSES) if rng.random() < 0.01 else rng.choice(WORDS))
        line = " ".join(words)
        if rng.random() < 0.3:
            line += rng.choice([".", ",", ";", ":"])
        if rng.random() < 0.2:
            line = "    " + line
        pool.append(line)
    return pool


def file_size(rng, mean_bytes):
    # Log-normal with the requested mean: mostly small files, a few big ones.
    sigma = 0.8
    size = mean_bytes * rng.lognormvariate(0.0, sigma) / math.exp(sigma * sigma / 2)
    return int(min(max(size, 200), mean_bytes * 20))


def body_lines(rng, pool, size):
    lines = []
    total = 0
    n = len(pool)
    while total < size:
        line = pool[rng.randrange(n)]
        lines.append(line)
        total += len(line) + 1
    return lines


def insert_hits(rng, lines, search, count, variant_share, exact_needed):
    """Put `count` occurrences into random lines; some in other letter cases."""
    for k in range(count):
        text = search
        if not (exact_needed and k == 0) and rng.random() < variant_share:
            text = case_variant(rng, search)
        i = rng.randrange(len(lines))
        line = lines[i]
        at = rng.randint(0, len(line))
        lines[i] = line[:at] + text + line[at:]


def write_huge(rng, pool, path, size, search, line_hit_fraction):
    """Writes about `size` bytes of LF lines in chunks, so memory stays small.
    Returns (bytes, exact hit lines, lines with a hit in any case, longest line)."""
    n = len(pool)
    variant_fraction = line_hit_fraction / 4  # lines that match only ignoring case
    total = exact = anycase = longest = 0
    with open(path, "wb") as f:
        while total < size:
            chunk = []
            for _ in range(20000):
                line = pool[rng.randrange(n)]
                roll = rng.random()
                if roll < line_hit_fraction:
                    text = search
                    exact += 1
                    anycase += 1
                elif roll < line_hit_fraction + variant_fraction:
                    text = case_variant(rng, search)
                    anycase += 1
                else:
                    chunk.append(line)
                    continue
                at = rng.randint(0, len(line))
                chunk.append(line[:at] + text + line[at:])
            longest = max(longest, max(map(len, chunk)) + 1)
            data = ("\n".join(chunk) + "\n").encode()
            f.write(data)
            total += len(data)
    return total, exact, anycase, longest


def write_long_line(rng, pool, path, size, search):
    """One line of about `size` bytes with an occurrence every 64 KiB or so."""
    n = len(pool)
    total = 0
    with open(path, "wb") as f:
        while total < size:
            parts = []
            got = 0
            while got < 65536:
                piece = pool[rng.randrange(n)] or "x"
                parts.append(piece)
                got += len(piece) + 1
            parts.insert(rng.randrange(len(parts)), search)
            data = (" ".join(parts) + " ").encode()
            f.write(data)
            total += len(data)
        f.write(b"\n")
    return total + 1


def build_dirs(rng, count, max_depth=6):
    dirs = [("", 0)]
    for i in range(1, count):
        candidates = [d for d in dirs if d[1] < max_depth]
        parent, depth = candidates[rng.randrange(len(candidates))]
        name = "%s_%03d" % (rng.choice(WORDS[:40]), i)
        dirs.append((os.path.join(parent, name) if parent else name, depth + 1))
    return [d[0] for d in dirs]


def write_file(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("out", help="directory to create (must not exist or be empty)")
    p.add_argument("--shape", choices=sorted(DEFAULTS), required=True)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--files", type=int, help="number of .txt text files")
    p.add_argument("--dirs", type=int, help="number of directories, the root included")
    p.add_argument("--mean-kb", type=float, help="mean text file size in KiB")
    p.add_argument("--hit-fraction", type=float, default=0.01,
                   help="sparse: share of files holding the search string")
    p.add_argument("--hits-per-kb", type=float, default=2.0,
                   help="dense: occurrences per KiB of file")
    p.add_argument("--variant-share", type=float, default=0.2,
                   help="share of occurrences in another letter case")
    p.add_argument("--crlf-fraction", type=float, default=0.05,
                   help="share of text files written with CR LF line ends")
    p.add_argument("--binary", type=int, default=2, help="binary files named *.txt")
    p.add_argument("--other", type=int, default=2, help="files the *.txt filter does not match")
    p.add_argument("--search", default="OldCompanyName")
    p.add_argument("--manifest", help="write a JSON summary here")
    p.add_argument("--size-mb", type=float, help="huge, longline: size of the one file in MB (10^6 bytes)")
    p.add_argument("--line-hit-fraction", type=float, default=0.01,
                   help="huge: share of lines holding the search string")
    p.add_argument("--scale", type=float, default=1.0,
                   help="multiplies the file and directory counts and --size-mb (try 0.1)")
    a = p.parse_args()

    d = DEFAULTS[a.shape]
    single = a.shape in ("huge", "longline")
    files = a.files if a.files is not None else d["files"]
    ndirs = a.dirs if a.dirs is not None else d["dirs"]
    if a.scale <= 0:
        p.error("--scale must be positive")
    if not single:
        files = max(1, round(files * a.scale))
        ndirs = max(1, round(ndirs * a.scale))
    mean_bytes = int((a.mean_kb if a.mean_kb is not None else d["mean_kb"]) * 1024)
    size_bytes = int((a.size_mb if a.size_mb is not None else d.get("size_mb", 0)) * a.scale * 1e6)
    if not single and (files < 1 or ndirs < 1 or mean_bytes < 1):
        p.error("--files, --dirs and --mean-kb must be positive")
    if single and size_bytes < 1:
        p.error("--size-mb must be positive")

    if os.path.exists(a.out) and os.listdir(a.out):
        p.error("%s exists and is not empty" % a.out)
    os.makedirs(a.out, exist_ok=True)

    # The shape is part of the seed so both trees differ under one --seed.
    rng = random.Random("%s:%d" % (a.shape, a.seed))
    search = a.search
    folded = search.lower().encode()
    pool = make_pool(rng, 4000)
    dirs = build_dirs(rng, ndirs)
    for rel in dirs[1:]:
        os.makedirs(os.path.join(a.out, rel), exist_ok=True)

    if a.shape == "sparse":
        nhit = max(1, round(files * a.hit_fraction))
        picked = rng.sample(range(files), min(files, nhit + nhit // 4))
        exact = set(picked[:nhit])
        # These only match when case is ignored.
        variant_only = set(picked[nhit:])
    else:
        exact = set(range(files))
        variant_only = set()

    stats = {"shape": a.shape, "seed": a.seed, "search": search, "dirs": ndirs,
             "text_files": files, "bytes": 0, "files_with_exact": 0, "files_with_any_case": 0,
             "binary_files": a.binary, "other_files": a.other}
    if a.shape == "huge":
        size, exact_lines, any_lines, longest = write_huge(rng, pool, os.path.join(a.out, "huge.txt"), size_bytes,
                                                  search, a.line_hit_fraction)
        stats.update(bytes=size, files_with_exact=int(exact_lines > 0), files_with_any_case=int(any_lines > 0),
                     lines_with_exact=exact_lines, lines_with_any_case=any_lines, longest_line=longest)
        files = 0
    elif a.shape == "longline":
        size = write_long_line(rng, pool, os.path.join(a.out, "longline.txt"), size_bytes, search)
        stats.update(bytes=size, files_with_exact=1, files_with_any_case=1, longest_line=size)
        files = 0
    for j in range(files):
        rel = os.path.join(dirs[rng.randrange(ndirs)], "%s_%05d.txt" % (rng.choice(WORDS[:40]), j))
        lines = body_lines(rng, pool, file_size(rng, mean_bytes))
        if j in exact:
            if a.shape == "dense":
                count = max(1, round(sum(len(l) + 1 for l in lines) / 1024 * a.hits_per_kb))
            else:
                count = rng.randint(1, 3)
            insert_hits(rng, lines, search, count, a.variant_share, exact_needed=True)
        elif j in variant_only:
            for _ in range(rng.randint(1, 2)):
                i = rng.randrange(len(lines))
                lines[i] += " " + case_variant(rng, search)
        eol = "\r\n" if rng.random() < a.crlf_fraction else "\n"
        # Every file ends with a line end: a rewrite ends each line with one,
        # so a missing final one would read as a difference from sed.
        data = (eol.join(lines) + eol).encode()
        write_file(os.path.join(a.out, rel), data)
        stats["bytes"] += len(data)
        stats["files_with_exact"] += search.encode() in data
        stats["files_with_any_case"] += folded in data.lower()

    if a.shape == "longline":
        # A lone file, so a peak-memory reading is about that line and nothing else.
        finish(a, stats, 1, ndirs, search)
        return

    # An empty file: nothing to read, nothing to change.
    write_file(os.path.join(a.out, "empty.txt"), b"")

    # Binary files under the text filter. They hold no occurrence, so sed leaves
    # them byte for byte and any change kembrel makes shows up in the comparison.
    for k in range(a.binary):
        blob = bytearray(b"\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR")
        blob += bytes(rng.getrandbits(8) for _ in range(64 * 1024))
        if folded in bytes(blob).lower():
            blob = blob.replace(b"O", b"0").replace(b"o", b"0")
        rel = os.path.join(dirs[rng.randrange(ndirs)], "image_%d.txt" % k)
        write_file(os.path.join(a.out, rel), bytes(blob))

    # Files outside the filter that do hold the string: both must be left alone.
    others = ["notes.md", "data.csv", "readme.rst", "old.txt.orig"]
    for k in range(a.other):
        name = others[k % len(others)]
        if k >= len(others):
            name = "%d_%s" % (k, name)
        rel = os.path.join(dirs[rng.randrange(ndirs)], name)
        write_file(os.path.join(a.out, rel), ("see %s here\n" % search).encode() * 10)

    finish(a, stats, stats["text_files"], ndirs, search)


def finish(a, stats, files, ndirs, search):
    summary = json.dumps(stats, indent=2)
    if a.manifest:
        with open(a.manifest, "w") as f:
            f.write(summary + "\n")
    print("%s tree: %d text files in %d dirs, %.1f MiB, %d with %s (%d ignoring case)"
          % (a.shape, files, ndirs, stats["bytes"] / 1048576.0, stats["files_with_exact"],
             search, stats["files_with_any_case"]), file=sys.stderr)


if __name__ == "__main__":
    main()
