#!/usr/bin/env python3
"""compare-text.py REF OUT: the share of the reference text's words that the output has in the
same order (longest common subsequence of lower-cased words; for long texts a greedy in-order match
within a window), printed as a percentage with the
counts. Words are runs of letters and digits (any script)."""
import re
import sys


def words(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return re.findall(r"\w+", f.read().lower())


def common(a, b):
    # LCS by rows; the reference is usually the shorter side
    row = [0] * (len(b) + 1)
    for x in a:
        prev, diag = row[:], 0
        for j, y in enumerate(b):
            row[j + 1] = diag + 1 if x == y else max(prev[j + 1], row[j])
            diag = prev[j + 1]
    return row[len(b)]


def greedy(a, b, window=400):
    # for long texts: each reference word matched at its next occurrence not far ahead
    at, n = 0, 0
    for x in a:
        try:
            k = b.index(x, at, at + window)
        except ValueError:
            continue
        n, at = n + 1, k + 1
    return n


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: compare-text.py REF OUT")
    ref, out = words(sys.argv[1]), words(sys.argv[2])
    if not ref:
        print("100.0% (0 of 0 reference words)")
        return
    n = common(ref, out) if len(ref) * len(out) <= 4e7 else greedy(ref, out)
    print(f"{100.0 * n / len(ref):.1f}% ({n} of {len(ref)} reference words)")


if __name__ == "__main__":
    main()
