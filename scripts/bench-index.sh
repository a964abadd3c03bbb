#!/usr/bin/env bash
# Indexing benchmark. For each corpus laid out by ../shared/bench/make-corpus.sh it copies the
# files to a scratch folder and measures, in one run on page-cached files:
#   - a new index built with `lxr create` + `lxr add` (seconds, MB/s, documents/s, index size
#     on disk against the text's size, peak memory), in both text models: Unicode (the
#     default) and the code page of ENGLISH.ABC (`--alphabet`), the two builds alternating
#     which goes first from run to run,
#   - `lxr update` after 10% of the files changed (every tenth file in path order gets a line
#     appended, which changes its size and date),
#   - Xapian indexing the same files with positions (bench/XapianIndexAnchor),
#   - the bare read-and-split loop and an in-memory inverter (bench/ReadSplitLoop),
# then prints the ratios against the indexer's goals. Peak memory is the maximum resident set
# of the process, as GNU time reports it from wait4.
#
# Usage: scripts/bench-index.sh [CORPUS...]        (default: brown mail kernel-docs multilingual)
# The corpus "multilingual" is assembled here from the real documents of
# ../shared/testdata/real/multilingual (Greek, Russian, Chinese, Japanese, Arabic, Hebrew,
# Polish, Czech, Turkish; some in legacy code pages), each copied 40 times.
# Environment: LXR_BENCH_BUILD   Release build folder with -DBUILD_BENCH=ON (default build/bench)
#              LXR_CORPUS_DIR    where the corpora are (default /tmp/lxr-corpus; laid out if missing)
#              LXR_BENCH_WORK    scratch folder (default /tmp/lxr-bench-index; emptied per corpus)
#              LXR_BENCH_LXR     the lxr program to measure (default: the one in the build folder)
#              LXR_BENCH_RUNS    runs per corpus, each from a fresh copy; the best time counts (default 1)
#              LXR_BENCH_XAPIAN_WORDS=ours  give Xapian our word split instead of its TermGenerator
# Results also go to $LXR_BENCH_WORK/results.tsv; docs/indexing-benchmark.md explains each
# figure. Exit status 1 when a step fails; goals missed are reported in the table, not in the
# status.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

BUILD=${LXR_BENCH_BUILD:-build/bench}
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
CORPORA_DIR=${LXR_CORPUS_DIR:-/tmp/lxr-corpus}
WORK=${LXR_BENCH_WORK:-/tmp/lxr-bench-index}
RUNS=${LXR_BENCH_RUNS:-1}
CORPORA=("$@")
((${#CORPORA[@]})) || CORPORA=(brown mail kernel-docs multilingual)

# Goals of the indexer.
GOAL_BUILD_VS_XAPIAN=0.50   # full build time / Xapian's time
GOAL_INDEX_VS_TEXT=0.60     # index bytes on disk / text bytes
GOAL_PEAK_MB=64             # peak resident memory of any lxr run
GOAL_UPDATE_VS_BUILD=0.15   # 10% update time / full build time
GOAL_UNICODE_VS_XAPIAN=0.333  # Unicode build time / Xapian's time (at least 3x faster)
GOAL_UNICODE_VS_CODEPAGE=1.20 # Unicode build time / code-page build time

die() { echo "bench-index: $*" >&2; exit 1; }

command -v /usr/bin/time >/dev/null || die "GNU time is missing (apt-get install time)"
source scripts/bench-build.sh
bench_build "$BUILD" lxr lxr-extract ReadSplitLoop -- XapianIndexAnchor || die "the build failed"
LXR=${LXR_BENCH_LXR:-$BUILD/tools/lxr}
LOOP=$BUILD/bench/ReadSplitLoop
ANCHOR=$BUILD/bench/XapianIndexAnchor
[ -x "$LXR" ] || die "no lxr in $BUILD/tools"
[ -x "$ANCHOR" ] || echo "bench-index: XapianIndexAnchor not built (install libxapian-dev): no Xapian figures" >&2

# The non-Latin corpus, from the real multilingual samples.
MULTI_SRC=$ROOT/../shared/testdata/real/multilingual
for c in "${CORPORA[@]}"; do
  if [ "$c" = multilingual ] && [ ! -d "$CORPORA_DIR/multilingual" ] && [ -d "$MULTI_SRC" ]; then
    for ((k = 0; k < 40; ++k)); do
      mkdir -p "$CORPORA_DIR/multilingual/copy$k"
      find "$MULTI_SRC" -maxdepth 1 -type f ! -name '*.expected.txt' ! -name QUERIES.tsv \
        -exec cp {} "$CORPORA_DIR/multilingual/copy$k/" \;
    done
  fi
done
missing=0
for c in "${CORPORA[@]}"; do [ -d "$CORPORA_DIR/$c" ] || missing=1; done
if ((missing)); then
  [ -x ../shared/bench/make-corpus.sh ] || die "corpora missing under $CORPORA_DIR and no make-corpus.sh"
  echo "Laying out the corpora in $CORPORA_DIR (this takes a while)..."
  ../shared/bench/make-corpus.sh "$CORPORA_DIR" >/dev/null
fi

mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd)
RESULTS=$WORK/results.tsv
printf 'corpus\tfiles\ttext_bytes\tlxr_docs\tbuild_s\tbuild_cpu_s\tbuild_peak_kb\tindex_bytes\tupdate_files\tupdate_s\tupdate_cpu_s\tupdate_peak_kb\tupdated_index_bytes\txapian_docs\txapian_s\txapian_cpu_s\txapian_peak_kb\txapian_bytes\tsplit_s\tinvert_s\n' >"$RESULTS"

# measure OUT_PREFIX CMD...: runs CMD, sets M_SECONDS (wall, ns resolution), M_CPU (user + system
# seconds) and M_PEAK_KB;
# its output goes to OUT_PREFIX.out/.err. Returns CMD's status.
measure() {
  local prefix=$1; shift
  local t0 t1 rc=0
  t0=$(date +%s%N)
  /usr/bin/time -f '%U %S %M' -o "$prefix.time" "$@" >"$prefix.out" 2>"$prefix.err" || rc=$?
  t1=$(date +%s%N)
  M_SECONDS=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
  M_CPU=$(tail -1 "$prefix.time" | awk '{ printf "%.3f", $1 + $2 }')
  M_PEAK_KB=$(tail -1 "$prefix.time" | awk '{ print $3 }')
  return $rc
}

# field NAME FILE: the value of NAME=value on the last line of FILE.
field() { tail -1 "$2" | tr ' ' '\n' | sed -n "s/^$1=//p"; }

# Ratio and verdict helpers (awk does the arithmetic).
div() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "n/a" || b == "n/a" || b + 0 == 0) print "n/a"; else printf "%.3f", a / b }'; }
verdict() {  # VALUE LIMIT: "ok" when VALUE <= LIMIT
  awk -v v="$1" -v l="$2" 'BEGIN { if (v == "n/a") print "n/a"; else if (v + 0 <= l + 0) print "ok"; else print "MISSED" }'
}
rate() { awk -v n="$1" -v s="$2" 'BEGIN { if (s + 0 == 0) print "-"; else printf "%.1f", n / s }'; }
mb() { awk -v b="$1" 'BEGIN { printf "%.2f", b / 1e6 }'; }

# The documents an index holds, read from `lxr info` (the first number on a line naming documents).
index_docs() {
  "$LXR" --dir "$ENGINE" info "$INDEX" 2>/dev/null |
    awk 'tolower($0) ~ /document/ { for (i = 1; i <= NF; ++i) if ($i ~ /^[0-9]+$/) { print $i; exit } }'
}

# row NAME SECONDS CPU_SECONDS DOCS BYTES INDEX_BYTES PEAK_KB: one line of a corpus table.
row() {
  local idx="-" pct="-" peak="-"
  if [ "$6" != - ]; then idx=$(mb "$6"); pct=$(awk -v i="$6" -v t="$TEXT_BYTES" 'BEGIN { printf "%.0f%%", 100 * i / t }'); fi
  if [ "$7" != - ]; then peak=$(awk -v k="$7" 'BEGIN { printf "%.1f", k / 1024 }'); fi
  if [ "$2" = n/a ]; then
    printf '  %-38s %8s\n' "$1" "failed"
  else
    printf '  %-38s %8.3f %8s %9s %9s %9s %8s %8s\n' "$1" "$2" "$3" "$(rate "$(mb "$5")" "$2")" "$(rate "$4" "$2")" \
      "$idx" "$pct" "$peak"
  fi
}

# breakdown FOLDER: one line naming where an index folder's bytes are, as parts of the text's size.
# The newest dictionary copy is the highest-numbered IXK<n>.IX (INDEX_K.IX when there is none);
# the other copies are old dictionaries an update left behind.
breakdown() {
  (cd "$1" && find . -maxdepth 1 -type f -printf '%f %s\n') | awk -v t="$TEXT_BYTES" '
    function part(name, b) { return sprintf("%s %.2f MB (%.0f%%)", name, b / 1e6, 100 * b / t) }
    { size[$1] = $2; total += $2
      if ($1 ~ /^IXK[0-9]+\.IX$/) { n = substr($1, 4) + 0; if (n > newest) newest = n; copies += $2 } }
    END {
      dict = newest > 0 ? size["IXK" newest ".IX"] : size["INDEX_K.IX"]
      old = copies + size["INDEX_K.IX"] - dict
      docs = size["INDEX_D.IX"] + size["INDEX_DI.IX"]
      other = total - size["INDEX_R.IX"] - dict - old - docs - size["INDEXLOG.DAT"]
      printf "%s, %s, %s, %s, %s, %s\n", part("refs", size["INDEX_R.IX"]), part("dictionary", dict),
        part("documents", docs), part("log", size["INDEXLOG.DAT"]), part("old dictionary copies", old),
        part("other", other)
    }'
}

# best NAME SECONDS: keeps the smaller of $NAME and SECONDS in $NAME ("n/a" counts as none).
best() {
  local cur=${!1}
  if [ "$cur" = n/a ] || awk -v a="$2" -v b="$cur" 'BEGIN { exit !(a + 0 < b + 0) }'; then printf -v "$1" '%s' "$2"; fi
}
maxkb() { echo $(($1 > $2 ? $1 : $2)); }

# One run on corpus $c: a fresh copy of the text, Xapian, the full build, 10% changed, the update.
one_run() {
  local r=$1
  rm -rf "$TEXT" "$CW/index" "$CW/index-cp" "$ENGINE" "$CW/xapian"
  mkdir -p "$CW/index" "$CW/index-cp" "$ENGINE"
  cp -a "$CORPORA_DIR/$c" "$TEXT"
  cat "${FILES[@]}" >/dev/null  # page-cache the text: every program reads warm files

  if [ -x "$ANCHOR" ]; then
    local words=()
    if [ "${LXR_BENCH_XAPIAN_WORDS:-}" = ours ]; then words=(--our-words); fi
    if measure "$CW/logs/xapian.$r" "$ANCHOR" "$TEXT" "$CW/xapian" "${words[@]}"; then
      best XAP_S "$(field seconds "$CW/logs/xapian.$r.out")"
      best XAP_CPU "$M_CPU"
      XAP_PEAK=$(maxkb "$XAP_PEAK" "$M_PEAK_KB")
      XAP_BYTES=$(field index_bytes "$CW/logs/xapian.$r.out")
      XAP_DOCS=$(field docs "$CW/logs/xapian.$r.out")
    else
      echo "bench-index: XapianIndexAnchor failed on $c:" >&2; cat "$CW/logs/xapian.$r.err" >&2; failed=1
    fi
    rm -rf "$CW/xapian"
  fi

  # The code-page build goes first in odd runs, after the Unicode build in even ones.
  if ((r % 2 == 1)); then codepage_build "$r"; fi
  build_index "$INDEX" "$r" "" || return
  best BUILD_S "$B_S"
  best BUILD_CPU "$B_CPU"
  BUILD_PEAK=$(maxkb "$BUILD_PEAK" "$B_PEAK")
  INDEX_BYTES=$(find "$CW/index" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
  BUILT_PARTS=$(breakdown "$INDEX")
  LXR_DOCS=$(index_docs)
  { "$LXR" --dir "$ENGINE" info "$INDEX" && ls -l "$INDEX"; } >"$CW/logs/info.$r.built" 2>&1 || true
  if ((r % 2 == 0)); then codepage_build "$r"; fi

  # Every tenth file in path order grows by one line: its size and date change.
  CHANGED=0 CHANGED_BYTES=0
  local i
  for ((i = 0; i < NFILES; i += 10)); do
    printf '\nbenchmark update line %d changes this file\n' "$i" >>"${FILES[$i]}"
    CHANGED=$((CHANGED + 1))
    CHANGED_BYTES=$((CHANGED_BYTES + $(stat -c %s "${FILES[$i]}")))
  done
  cat "${FILES[@]}" >/dev/null
  if ! measure "$CW/logs/update.$r" "$LXR" --dir "$ENGINE" update "$INDEX"; then
    echo "bench-index: lxr update failed on $c:" >&2; tail -5 "$CW/logs/update.$r.err" >&2; failed=1
    return
  fi
  best UPDATE_S "$M_SECONDS"
  best UPDATE_CPU "$M_CPU"
  UPDATE_PEAK=$(maxkb "$UPDATE_PEAK" "$M_PEAK_KB")
  UPDATED_INDEX_BYTES=$(find "$CW/index" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
  UPDATED_PARTS=$(breakdown "$INDEX")
  { "$LXR" --dir "$ENGINE" info "$INDEX" && ls -l "$INDEX"; } >"$CW/logs/info.$r.updated" 2>&1 || true
}

# build_index INDEX RUN LOG_PREFIX [CREATE_OPTION...]: lxr create + lxr add of the text into
# INDEX; sets B_S, B_CPU (their sums) and B_PEAK (KB). Returns 1 (and sets failed) on a failure.
build_index() {
  local index=$1 r=$2 pre=$3
  shift 3
  if ! measure "$CW/logs/${pre}create.$r" "$LXR" --dir "$ENGINE" create "$index" "$@"; then
    echo "bench-index: lxr create $* failed on $c:" >&2; tail -5 "$CW/logs/${pre}create.$r.err" >&2; failed=1
    return 1
  fi
  local s=$M_SECONDS c_cpu=$M_CPU peak=$M_PEAK_KB
  if ! measure "$CW/logs/${pre}add.$r" "$LXR" --dir "$ENGINE" add "$index" "$TEXT"; then
    echo "bench-index: lxr add failed on $c:" >&2; tail -5 "$CW/logs/${pre}add.$r.err" >&2; failed=1
    return 1
  fi
  B_S=$(awk -v a="$s" -v b="$M_SECONDS" 'BEGIN { printf "%.3f", a + b }')
  B_CPU=$(awk -v a="$c_cpu" -v b="$M_CPU" 'BEGIN { printf "%.3f", a + b }')
  B_PEAK=$(maxkb "$peak" "$M_PEAK_KB")
}

# The same build in the code-page text model, into its own folder.
codepage_build() {
  local r=$1 cp_index=$CW/index-cp/$c
  build_index "$cp_index" "$r" cp- --alphabet ENGLISH.ABC || return
  best CP_S "$B_S"
  best CP_CPU "$B_CPU"
  CP_PEAK=$(maxkb "$CP_PEAK" "$B_PEAK")
  CP_BYTES=$(find "$CW/index-cp" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
  rm -rf "$cp_index"
}

SUMMARY=()
MODELS=()
failed=0
for c in "${CORPORA[@]}"; do
  CW=$WORK/$c
  rm -rf "$CW"
  mkdir -p "$CW/logs"
  TEXT=$CW/text
  ENGINE=$CW/engine
  INDEX=$CW/index/$c
  cp -a "$CORPORA_DIR/$c" "$TEXT"
  mapfile -d '' FILES < <(find "$TEXT" -type f -print0 | LC_ALL=C sort -z)
  NFILES=${#FILES[@]}
  TEXT_BYTES=$(find "$TEXT" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
  echo
  echo "== $c: $NFILES files, $(mb "$TEXT_BYTES") MB of text (best of $RUNS runs)"

  # The practical limit.
  "$LOOP" "$TEXT" >"$CW/logs/loop.out" || die "ReadSplitLoop failed on $c"
  SPLIT_S=$(field split_seconds "$CW/logs/loop.out")
  INVERT_S=$(field invert_seconds "$CW/logs/loop.out")
  LOOP_DOCS=$(field docs "$CW/logs/loop.out")
  ONE_CHUNK_BYTES=$(field one_chunk_ref_bytes "$CW/logs/loop.out")

  XAP_S=n/a XAP_CPU=n/a XAP_PEAK=0 XAP_BYTES=0 XAP_DOCS=0
  BUILD_S=n/a BUILD_CPU=n/a BUILD_PEAK=0 INDEX_BYTES=0 LXR_DOCS= BUILT_PARTS=
  CP_S=n/a CP_CPU=n/a CP_PEAK=0 CP_BYTES=0
  UPDATE_S=n/a UPDATE_CPU=n/a UPDATE_PEAK=0 UPDATED_INDEX_BYTES=0 CHANGED=0 CHANGED_BYTES=0 UPDATED_PARTS=
  for ((run = 1; run <= RUNS; ++run)); do one_run "$run"; done
  LXR_DOCS=${LXR_DOCS:-$NFILES}
  PEAK=$(maxkb "$BUILD_PEAK" "$UPDATE_PEAK")

  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$c" "$NFILES" \
    "$TEXT_BYTES" "$LXR_DOCS" "$BUILD_S" "$BUILD_CPU" "$BUILD_PEAK" "$INDEX_BYTES" "$CHANGED" "$UPDATE_S" \
    "$UPDATE_CPU" "$UPDATE_PEAK" "$UPDATED_INDEX_BYTES" "$XAP_DOCS" "$XAP_S" "$XAP_CPU" "$XAP_PEAK" "$XAP_BYTES" \
    "$SPLIT_S" "$INVERT_S" >>"$RESULTS"

  printf '  %-38s %8s %8s %9s %9s %9s %8s %8s\n' "" seconds "cpu s" "MB/s" "docs/s" "index MB" "of text" "peak MB"
  row "lxr create + add, Unicode ($LXR_DOCS docs)" "$BUILD_S" "$BUILD_CPU" "$LXR_DOCS" "$TEXT_BYTES" "$INDEX_BYTES" "$BUILD_PEAK"
  row "lxr create + add, code page" "$CP_S" "$CP_CPU" "$LXR_DOCS" "$TEXT_BYTES" "$CP_BYTES" "$CP_PEAK"
  row "lxr update ($CHANGED files changed)" "$UPDATE_S" "$UPDATE_CPU" "$CHANGED" "$CHANGED_BYTES" \
    "$UPDATED_INDEX_BYTES" "$UPDATE_PEAK"
  if [ -x "$ANCHOR" ]; then
    row "Xapian with positions ($XAP_DOCS docs)" "$XAP_S" "$XAP_CPU" "$XAP_DOCS" "$TEXT_BYTES" "$XAP_BYTES" "$XAP_PEAK"
  fi
  row "bare read + split" "$SPLIT_S" - "$LOOP_DOCS" "$TEXT_BYTES" - -
  row "bare read + split + invert in memory" "$INVERT_S" - "$LOOP_DOCS" "$TEXT_BYTES" - -
  if [ "$LXR_DOCS" != "$NFILES" ]; then echo "  note: lxr indexed $LXR_DOCS of the $NFILES files"; fi
  if [ -n "$BUILT_PARTS" ]; then echo "  index after the build:  $BUILT_PARTS"; fi
  if [ -n "$UPDATED_PARTS" ]; then echo "  index after the update: $UPDATED_PARTS"; fi
  if [ -n "$ONE_CHUNK_BYTES" ]; then
    echo "  refs with one chunk per word (estimate from the bare inverter: every word, no noise list, no"
    echo "  number words): $(mb "$ONE_CHUNK_BYTES") MB ($(awk -v i="$ONE_CHUNK_BYTES" -v t="$TEXT_BYTES" 'BEGIN { printf "%.0f%%", 100 * i / t }') of the text)"
  fi

  r_build=$(div "$BUILD_S" "$XAP_S")
  r_uni_cp=$(div "$BUILD_S" "$CP_S")
  MODELS+=("$(printf '%-12s %9s %9s %7s %-7s %9s %7s %-7s %9s' "$c" "$BUILD_S" "$CP_S" \
    "$r_uni_cp" "$(verdict "$r_uni_cp" "$GOAL_UNICODE_VS_CODEPAGE")" "$(div "$BUILD_CPU" "$CP_CPU")" \
    "$r_build" "$(verdict "$r_build" "$GOAL_UNICODE_VS_XAPIAN")" "$(div "$XAP_S" "$BUILD_S")")")
  r_index=$(div "$INDEX_BYTES" "$TEXT_BYTES")
  r_update=$(div "$UPDATE_S" "$BUILD_S")
  if [ "$BUILD_S" = n/a ]; then r_index=n/a; fi
  peak_mb=$(awk -v k="$PEAK" 'BEGIN { printf "%.1f", k / 1024 }')
  if [ "$PEAK" = 0 ]; then peak_mb=n/a; fi
  SUMMARY+=("$(printf '%-12s %7s %-7s %9s %7s %-7s %7s %-7s %7s %-7s %9s %11s %11s' "$c" \
    "$r_build" "$(verdict "$r_build" "$GOAL_BUILD_VS_XAPIAN")" "$(div "$BUILD_CPU" "$XAP_CPU")" \
    "$r_index" "$(verdict "$r_index" "$GOAL_INDEX_VS_TEXT")" \
    "$peak_mb" "$(verdict "$peak_mb" "$GOAL_PEAK_MB")" \
    "$r_update" "$(verdict "$r_update" "$GOAL_UPDATE_VS_BUILD")" "$(div "$UPDATE_CPU" "$BUILD_CPU")" \
    "$(div "$BUILD_S" "$SPLIT_S")" "$(div "$BUILD_S" "$INVERT_S")")")
done

echo
echo "Goals: build <= ${GOAL_BUILD_VS_XAPIAN} x Xapian's time, index <= ${GOAL_INDEX_VS_TEXT} x text, peak <= ${GOAL_PEAK_MB} MB, 10% update <= ${GOAL_UPDATE_VS_BUILD} x build"
printf '%-12s %-15s %9s %-15s %-15s %-15s %9s %11s %11s\n' corpus "build/Xapian" "(cpu)" "index/text" "peak MB" \
  "update/build" "(cpu)" \
  "build/split" "build/inv"
for line in "${SUMMARY[@]}"; do echo "$line"; done
echo
echo "Text models: Unicode build <= ${GOAL_UNICODE_VS_CODEPAGE} x the code-page build, <= ${GOAL_UNICODE_VS_XAPIAN} x Xapian's time"
printf '%-12s %9s %9s %-15s %9s %-15s %9s\n' corpus "unicode s" "cp s" "unicode/cp" "(cpu)" "unicode/xap" "xap/unicode"
for line in "${MODELS[@]}"; do echo "$line"; done
echo "(ratios of wall time, best run; (cpu) is the same ratio in user + system seconds, which other"
echo " load on the machine disturbs less; build/split and build/inv: how many times the bare loops'"
echo " time the build takes; results in $RESULTS, program output in $WORK/<corpus>/logs)"
exit $failed
