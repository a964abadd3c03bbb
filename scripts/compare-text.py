#!/usr/bin/env python3
"""compare-text.py REF OUT: the share of REF's words found in OUT in the same order.

Words are runs of letters and digits, lower-cased; the share is the length of the longest
common subsequence of the two word lists over the number of reference words. Prints it as a
percentage with the two word counts."""
import re
import sys


def words(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return re.findall(r"\w+", f.read().lower())


def lcs(a, b):
    # Row by row over the shorter list: memory grows with it only.
    if len(a) < len(b):
        a, b = b, a
    prev = [0] * (len(b) + 1)
    for x in a:
        cur = [0]
        for j, y in enumerate(b):
            cur.append(prev[j] + 1 if x == y else max(prev[j + 1], cur[j]))
        prev = cur
    return prev[-1]


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: compare-text.py REF OUT")
    ref, out = words(sys.argv[1]), words(sys.argv[2])
    share = 100.0 if not ref else 100.0 * lcs(ref, out) / len(ref)
    print(f"{share:.1f}% of {len(ref)} reference words in order ({len(out)} words out)")


if __name__ == "__main__":
    main()
