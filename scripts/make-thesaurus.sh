#!/usr/bin/env bash
# Builds the English thesaurus THESAUR.DAT from WordNet's synonym sets (the Debian package
# wordnet-base): one line per set of two or more single words, in the title-and-sets text
# format the engine reads. Multi-word terms and names with capitals are left out, since a
# request word is one word. The WordNet licence travels with the file as THESAUR.LICENSE.
#   make-thesaurus.sh WORDNET_DIR OUTPUT_FILE
set -euo pipefail
src=${1:-/usr/share/wordnet}
out=${2:?usage: make-thesaurus.sh WORDNET_DIR OUTPUT_FILE}
for part in noun verb adj adv; do
  [ -r "$src/data.$part" ] || { echo "make-thesaurus.sh: $src/data.$part is missing (apt-get install wordnet-base)" >&2; exit 1; }
done
tmp="$out.tmp.$$"
trap 'rm -f "$tmp"' EXIT
{
  echo "Lexaurum User Thesaurus"
  # A data line: offset, file number, type, the word count in hex, then word and lexical id
  # pairs. Adjectives may carry a syntactic mark such as "(a)" after the word.
  LC_ALL=C awk '
    /^ / { next }
    {
      n = 0; line = ""
      count = 0
      for (i = 1; i <= length($4); i++) count = count * 16 + index("0123456789abcdef", substr(tolower($4), i, 1)) - 1
      delete seen
      for (k = 0; k < count; k++) {
        w = $(5 + 2 * k)
        sub(/\([a-z]+\)$/, "", w)
        if (w !~ /^[a-z][a-z-]*[a-z]$/) continue
        if (w in seen) continue
        seen[w] = 1; n++
        line = line (n > 1 ? " " : "") w
      }
      if (n >= 2 && !(line in sets)) { sets[line] = 1; print line }
    }' "$src/data.noun" "$src/data.verb" "$src/data.adj" "$src/data.adv"
  echo ""
} > "$tmp"
mv "$tmp" "$out"
trap - EXIT
license="$(dirname "$out")/THESAUR.LICENSE"
if [ -r /usr/share/doc/wordnet-base/copyright ]; then
  { echo "THESAUR.DAT is made from WordNet 3.0 by scripts/make-thesaurus.sh. WordNet's licence:"; echo; cat /usr/share/doc/wordnet-base/copyright; } > "$license"
fi
