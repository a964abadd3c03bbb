#!/usr/bin/env bash
# Extraction benchmark: our extractor against the reference tool on the same files, in the same
# run. For each pass it times, in alternating order (odd passes ours first, even passes the
# reference first):
#   - ours in process: bench/ExtractBench over all files (files already in memory),
#   - ours whole: `lxr text FILE` for each file (process start, recognition, extraction, output),
#   - the reference: `pdftotext -enc UTF-8 FILE -` for PDF; `antiword -w 0 FILE` (catdoc where
#     antiword refuses a file) for .doc,
# and prints the median of each side in MB/s of input, side by side.
#
# Usage: scripts/bench-extract.sh [pdf|doc] [FOLDER]   (default: pdf, ../shared/testdata/real/FORMAT)
# Environment: LXR_BENCH_BUILD  Release build with -DBUILD_BENCH=ON (default build/bench)
#              LXR_BENCH_RUNS   passes (default 9); LXR_BENCH_REPEAT files repeated per pass (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
FORMAT=${1:-pdf}
FOLDER=${2:-../shared/testdata/real/$FORMAT}
BUILD=${LXR_BENCH_BUILD:-build/bench}
RUNS=${LXR_BENCH_RUNS:-9}
REPEAT=${LXR_BENCH_REPEAT:-5}
LXR=$BUILD/tools/lxr
BENCH=$BUILD/bench/ExtractBench
[ -x "$LXR" ] && [ -x "$BENCH" ] || { echo "build $BUILD with -DBUILD_BENCH=ON first (targets lxr ExtractBench)"; exit 1; }

files=()
for f in "$FOLDER"/*."$FORMAT"; do
  case "$f" in *.expected.txt) continue ;; esac
  # Files the reference tool cannot read (encrypted, damaged) are left out of both sides.
  if [ "$FORMAT" = pdf ]; then pdftotext -q "$f" /dev/null 2>/dev/null || continue
  else antiword "$f" >/dev/null 2>&1 || catdoc "$f" >/dev/null 2>&1 || continue; fi
  files+=("$f")
done
((${#files[@]} > 0)) || { echo "no readable $FORMAT files in $FOLDER"; exit 1; }
list=()
for ((r = 0; r < REPEAT; ++r)); do list+=("${files[@]}"); done
bytes=$(cat "${list[@]}" | wc -c)

now() { date +%s.%N; }
reference() {
  for f in "${list[@]}"; do
    if [ "$FORMAT" = pdf ]; then pdftotext -q -enc UTF-8 "$f" - >/dev/null
    else antiword -w 0 "$f" >/dev/null 2>&1 || catdoc "$f" >/dev/null; fi
  done
}
whole() { for f in "${list[@]}"; do "$LXR" text "$f" >/dev/null; done; }
inprocess() { "$BENCH" "$FORMAT" 1 "${list[@]}" | awk '{print $1}'; }
timed() { local s; s=$(now); "$@"; echo "$(now) - $s" | bc -l; }

ours=() oursWhole=() ref=()
for ((run = 1; run <= RUNS; ++run)); do
  if ((run % 2)); then
    ours+=("$(inprocess)"); oursWhole+=("$(timed whole)"); ref+=("$(timed reference)")
  else
    ref+=("$(timed reference)"); oursWhole+=("$(timed whole)"); ours+=("$(inprocess)")
  fi
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
mbs() { echo "$bytes / 1048576 / $1" | bc -l; }
mi=$(median "${ours[@]}"); mw=$(median "${oursWhole[@]}"); mr=$(median "${ref[@]}")
printf '%s: %d files (%d each pass, %d bytes), %d passes, medians\n' "$FORMAT" "${#files[@]}" "${#list[@]}" "$bytes" "$RUNS"
printf '  %-34s %10.4f s  %8.2f MB/s\n' "ours, in process (ExtractBench)" "$mi" "$(mbs "$mi")"
printf '  %-34s %10.4f s  %8.2f MB/s\n' "ours, lxr text per file" "$mw" "$(mbs "$mw")"
if [ "$FORMAT" = pdf ]; then name="pdftotext per file"; else name="antiword/catdoc per file"; fi
printf '  %-34s %10.4f s  %8.2f MB/s\n' "$name" "$mr" "$(mbs "$mr")"
