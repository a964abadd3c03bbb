#!/usr/bin/env python3
"""compare-text.py REF OUT: the share of REF's words that OUT holds in the same order.

Words are runs of letters and digits, lower-cased; the figure is the longest common
subsequence of the two word lists over the number of reference words (whitespace, line
wrapping and punctuation do not count). Prints "PERCENT COMMON REFWORDS"; OUT "-" is stdin.
"""
import bisect
import re
import sys


def words(text):
    return re.findall(r"\w+", text.lower())


def common(ref, out):
    # Hunt-Szymanski: the longest increasing run of positions in `out`, each reference word
    # contributing its positions from the last to the first.
    where = {}
    for i, w in enumerate(out):
        where.setdefault(w, []).append(i)
    tails = []
    for w in ref:
        for pos in reversed(where.get(w, ())):
            k = bisect.bisect_left(tails, pos)
            if k == len(tails):
                tails.append(pos)
            else:
                tails[k] = pos
    return len(tails)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], encoding="utf-8", errors="replace") as f:
        ref = words(f.read())
    if sys.argv[2] == "-":
        out = words(sys.stdin.read())
    else:
        with open(sys.argv[2], encoding="utf-8", errors="replace") as f:
            out = words(f.read())
    n = common(ref, out)
    share = 100.0 * n / len(ref) if ref else 100.0
    print(f"{share:.1f}% {n} {len(ref)}")


if __name__ == "__main__":
    main()
