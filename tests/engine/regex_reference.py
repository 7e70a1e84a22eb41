#!/usr/bin/env python3
"""Reference results from Python's `re` for regex_differential_test.

Reads cases, one a line: hex(pattern) hex(subject) hex(template), with the
pattern already in Python syntax. Writes one line a case:
  E                                   the pattern does not compile
  <search>;<hex(rewritten)>;<count>   otherwise
where <search> is -1 or the match span followed by the span of every group
(-1 -1 for a group that took no part), and the rewrite replaces every match
the way the engine's callers do: each search runs on the rest of the line
behind the previous replacement, and after an empty match one more byte is
copied before searching on.

Usage: regex_reference.py <cases file> <results file>
"""

import re
import sys


def expand(match, template):
    """`&` and backslash-digit: whole match and groups; backslash escapes
    a backslash or `&`; any other backslash stays."""
    out = bytearray()
    i = 0
    while i < len(template):
        c = template[i:i + 1]
        following = template[i + 1:i + 2]
        if c == b'&':
            out += match.group(0)
        elif c == b'\\' and following.isdigit():
            n = int(following)
            if n <= match.re.groups and match.group(n) is not None:
                out += match.group(n)
            i += 1
        elif c == b'\\' and following in (b'\\', b'&'):
            out += following
            i += 1
        else:
            out += c
        i += 1
    return bytes(out)


def rewrite(regex, line, template):
    count = 0
    pos = 0
    while True:
        match = regex.search(line[pos:])
        if match is None:
            break
        count += 1
        start = pos + match.start()
        length = match.end() - match.start()
        text = expand(match, template)
        line = line[:start] + text + line[start + length:]
        pos = start + len(text)
        if length == 0:
            if pos >= len(line):
                break
            pos += 1
    return line, count


def describe(regex, subject, template):
    match = regex.search(subject)
    if match is None:
        search = '-1'
    else:
        spans = [match.span(g) for g in range(regex.groups + 1)]
        search = ' '.join('%d %d' % span for span in spans)
    line, count = rewrite(regex, subject, template)
    return '%s;%s;%d' % (search, line.hex(), count)


def main():
    cache = {}
    with open(sys.argv[1]) as cases, open(sys.argv[2], 'w') as results:
        for row in cases:
            pattern, subject, template = (bytes.fromhex(f) for f in row.split(' '))
            if pattern not in cache:
                try:
                    cache[pattern] = re.compile(pattern, re.DOTALL)
                except re.error:
                    cache[pattern] = None
            regex = cache[pattern]
            results.write('E\n' if regex is None else describe(regex, subject, template) + '\n')


if __name__ == '__main__':
    main()
