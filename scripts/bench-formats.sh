#!/usr/bin/env bash
# Indexing a folder of mixed real documents (PDF, Office, OpenDocument, EPUB, Word, mail,
# compressed files, RTF, HTML, WordPerfect, ZIP, plain text, several scripts) with lxr and with
# the Xapian-based desktop indexer recollindex (Debian recollcmd), side by side in one run.
# The documents of ../shared/testdata/real are copied COPIES times (each copy in its own folder,
# so names differ) into a scratch folder; each side then builds a new index of it from nothing,
# the two alternating which goes first, RUNS times. Printed: the median wall time, MB/s and
# documents/s of each side, their ratio, and the documents each side took in.
#
# Usage: scripts/bench-formats.sh           Environment: LXR_BENCH_LXR (default build/dbg/tools/lxr,
#        or build/bench/tools/lxr when built), COPIES (default 20), RUNS (default 5),
#        LXR_BENCH_WORK (default /tmp/lxr-bench-formats).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
. scripts/deps.sh
need_packages recollcmd poppler-utils time

LXR=${LXR_BENCH_LXR:-}
if [ -z "$LXR" ]; then
  for c in build/bench/tools/lxr build/rel/tools/lxr build/dbg/tools/lxr; do [ -x "$c" ] && { LXR=$ROOT/$c; break; }; done
fi
[ -x "${LXR:-}" ] || { echo "no lxr built: run ./scripts/test.sh or build build/bench first"; exit 1; }
COPIES=${COPIES:-20}
RUNS=${RUNS:-5}
WORK=${LXR_BENCH_WORK:-/tmp/lxr-bench-formats}
REAL=$ROOT/../shared/testdata/real
[ -d "$REAL" ] || { echo "no real documents at $REAL"; exit 1; }

rm -rf "$WORK"
mkdir -p "$WORK/docs"
for ((i = 0; i < COPIES; ++i)); do
  mkdir -p "$WORK/docs/$i"
  # The documents only: not the reference texts, nor the licence and provenance notes.
  (cd "$REAL" && find . -type f ! -name '*.expected.txt' ! -name '*.md' ! -path './LICENSES/*' ! -path './tools/*' \
     -exec cp --parents {} "$WORK/docs/$i/" \;)
done
FILES=$(find "$WORK/docs" -type f | wc -l)
BYTES=$(du -sb "$WORK/docs" | cut -f1)
find "$WORK/docs" -type f -exec cat {} + >/dev/null  # into the page cache

ours() {
  rm -rf "$WORK/ix" "$WORK/priv"
  local t0 t1
  t0=$(date +%s.%N)
  "$LXR" --dir "$WORK/priv" create "$WORK/ix" >/dev/null 2>&1
  "$LXR" --dir "$WORK/priv" add "$WORK/ix" "$WORK/docs" >"$WORK/ours.out" 2>&1 || true
  t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc
}

theirs() {
  rm -rf "$WORK/recoll"
  mkdir -p "$WORK/recoll"
  printf 'topdirs = %s\nloglevel = 1\nidxflushmb = 50\n' "$WORK/docs" >"$WORK/recoll/recoll.conf"
  local t0 t1
  t0=$(date +%s.%N)
  recollindex -c "$WORK/recoll" -z >"$WORK/recoll.out" 2>&1 || true
  t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc
}

median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

: >"$WORK/ours.times"
: >"$WORK/theirs.times"
for ((r = 0; r < RUNS; ++r)); do
  if ((r % 2 == 0)); then
    ours >>"$WORK/ours.times"; theirs >>"$WORK/theirs.times"
  else
    theirs >>"$WORK/theirs.times"; ours >>"$WORK/ours.times"
  fi
done
OURS=$(median <"$WORK/ours.times")
THEIRS=$(median <"$WORK/theirs.times")
OUR_DOCS=$("$LXR" --dir "$WORK/priv" files "$WORK/ix" 2>/dev/null | tail -n +2 | wc -l)
THEIR_DOCS=$(xapian-delve "$WORK/recoll/xapiandb" 2>/dev/null | sed -n 's/^number of documents = //p' || true)
MB=$(echo "scale=3; $BYTES / 1048576" | bc)
printf '%s files, %s MB of mixed real documents (%s copies of ../shared/testdata/real), median of %s runs\n' "$FILES" "$MB" "$COPIES" "$RUNS"
printf '%-12s %9s %9s %11s %10s\n' side seconds MB/s documents/s documents
printf '%-12s %9.2f %9.2f %11.1f %10s\n' lxr "$OURS" "$(echo "$MB / $OURS" | bc -l)" "$(echo "$FILES / $OURS" | bc -l)" "$OUR_DOCS"
printf '%-12s %9.2f %9.2f %11.1f %10s\n' recollindex "$THEIRS" "$(echo "$MB / $THEIRS" | bc -l)" "$(echo "$FILES / $THEIRS" | bc -l)" "${THEIR_DOCS:-?}"
printf 'lxr takes %.2fx the time of recollindex\n' "$(echo "$OURS / $THEIRS" | bc -l)"
tail -1 "$WORK/ours.out"
