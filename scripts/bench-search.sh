#!/usr/bin/env bash
# Search benchmark. For each corpus laid out by ../shared/bench/make-corpus.sh it builds our
# index (`lxr create` + `lxr add`) and Xapian's (bench/XapianIndexAnchor, with positions) of the
# same files in a scratch folder, then measures on page-cached files:
#   1. the evaluation over an already open index, every match with its hits in memory, for each
#      request class, against Xapian listing all matches of the same query on its index
#      (bench/SearchBench, median and 95th percentile of repeated runs in one process), and the
#      best 20 of the common word by relevance against Xapian's best 10;
#   2. a whole `lxr search` process against Xapian's own `quest -s none -m 1000000` (Debian
#      xapian-tools) and a whole Xapian query process (bench/XapianQueryProcess) on the same
#      files, output to /dev/null, median of repeated runs, the three taken in turn;
#   3. the unindexed scan of a one-word request (`lxr search` over the folder's files) against
#      `rg -l -w -i WORD` over the same files, median of repeated runs;
# and prints a table per corpus with the ratios against the goals and the floors: evaluation
# <= Xapian (floor 1.5x), whole process <= quest (floor 1.5x), unindexed scan <= rg (floor 2x).
# docs/search-benchmark.md explains the figures.
#
# Usage: scripts/bench-search.sh [CORPUS...]        (default: brown mail kernel-docs)
# Environment: LXR_BENCH_BUILD      Release build folder with -DBUILD_BENCH=ON (default build/sbench-release)
#              LXR_CORPUS_DIR       where the corpora are (default /tmp/lxr-corpus; laid out if missing)
#              LXR_BENCH_WORK       scratch folder (default /tmp/lxr-bench-search)
#              LXR_BENCH_REUSE=1    keep indexes already built in the scratch folder
#              LXR_BENCH_RUNS       timed runs per class in process (default 50)
#              LXR_BENCH_PROC_RUNS  runs per whole process (default 20)
#              LXR_BENCH_SCAN_RUNS  runs per unindexed scan and rg (default 5)
# Exit status 1 when a step fails; missed goals are reported in the table, not in the status.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

BUILD=${LXR_BENCH_BUILD:-build/sbench-release}
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
CORPORA_DIR=${LXR_CORPUS_DIR:-/tmp/lxr-corpus}
WORK=${LXR_BENCH_WORK:-/tmp/lxr-bench-search}
RUNS=${LXR_BENCH_RUNS:-50}
PROC_RUNS=${LXR_BENCH_PROC_RUNS:-20}
SCAN_RUNS=${LXR_BENCH_SCAN_RUNS:-5}
CORPORA=("$@")
((${#CORPORA[@]})) || CORPORA=(brown mail kernel-docs)

die() { echo "bench-search: $*" >&2; exit 1; }

source scripts/bench-build.sh
bench_build "$BUILD" lxr lxr-extract SearchBench -- XapianIndexAnchor XapianQueryProcess || die "the build failed"
LXR=$BUILD/tools/lxr
BENCH=$BUILD/bench/SearchBench
ANCHOR=$BUILD/bench/XapianIndexAnchor
XPROC=$BUILD/bench/XapianQueryProcess
HAVE_XAPIAN=0
[ -x "$ANCHOR" ] && [ -x "$XPROC" ] && HAVE_XAPIAN=1
((HAVE_XAPIAN)) || echo "bench-search: Xapian programs not built (install libxapian-dev): no Xapian figures" >&2
QUEST=$(command -v quest || true)
[ -n "$QUEST" ] || echo "bench-search: quest missing (apt-get install xapian-tools): no quest figures" >&2
RG=$(command -v rg || true)
[ -n "$RG" ] || echo "bench-search: ripgrep missing (apt-get install ripgrep): no rg figures" >&2

missing=0
for c in "${CORPORA[@]}"; do [ -d "$CORPORA_DIR/$c" ] || missing=1; done
if ((missing)); then
  [ -x ../shared/bench/make-corpus.sh ] || die "corpora missing under $CORPORA_DIR and no make-corpus.sh"
  echo "Laying out the corpora in $CORPORA_DIR (this takes a while)..."
  ../shared/bench/make-corpus.sh "$CORPORA_DIR" >/dev/null
fi

# The search command's form: "search REQUEST INDEX... [--files DIR]" or the older
# "search INDEX REQUEST" / "search --folder DIR REQUEST".
if "$LXR" 2>&1 | grep -q -- '--files FOLDER'; then
  lxr_indexed() { "$LXR" --dir "$ENGINE" search "$1" "$INDEX"; }
  lxr_scan() { "$LXR" --dir "$ENGINE" search "$1" --files "$TEXT"; }
else
  lxr_indexed() { "$LXR" --dir "$ENGINE" search "$INDEX" "$1"; }
  lxr_scan() { "$LXR" --dir "$ENGINE" search --folder "$TEXT" "$1"; }
fi

# median_ms RUNS CMD...: runs CMD RUNS times (output to /dev/null) after one untimed run and
# prints "WALL CPU": the median wall time and the median processor time (user + system) in
# milliseconds, both from bash's `time` keyword (no timing process of its own). "n/a n/a" on
# failure (exit status above 1: 1 means "nothing found" for lxr, rg and the Xapian anchor).
median_ms() {
  local runs=$1; shift
  local walls=() cpus=() i rc out TIMEFORMAT='%3R %3U %3S'
  "$@" >/dev/null 2>&1 || { rc=$?; ((rc <= 1)) || { echo "n/a n/a"; return; }; }
  for ((i = 0; i < runs; ++i)); do
    rc=0
    out=$( { time "$@" >/dev/null 2>&1 || echo "rc=$?" >&2; } 2>&1 )
    case $out in *rc=[2-9]*|*rc=[1-9][0-9]*) echo "n/a n/a"; return ;; esac
    out=$(grep -E '^[0-9.]+ [0-9.]+ [0-9.]+$' <<<"$out" | tail -1)
    walls+=("$(awk '{ printf "%.1f", $1 * 1000 }' <<<"$out")")
    cpus+=("$(awk '{ printf "%.1f", ($2 + $3) * 1000 }' <<<"$out")")
  done
  local mw mc
  mw=$(printf '%s\n' "${walls[@]}" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  mc=$(printf '%s\n' "${cpus[@]}" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  echo "$mw $mc"
}

div() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "n/a" || a == "-" || b == "n/a" || b == "-" || b + 0 == 0) print "-"; else printf "%.2f", a / b }'; }
verdict() {  # RATIO GOAL FLOOR: "ok" at or under the goal, "floor" at or under the floor
  awk -v v="$1" -v g="$2" -v f="${3:-$2}" 'BEGIN {
    if (v == "-") print "-"; else if (v + 0 <= g + 0) print "ok"; else if (v + 0 <= f + 0) print "floor";
    else print "MISSED" }'
}
# quest_query CLASS REQUEST: our request in Xapian's query parser syntax.
quest_query() {
  local q=$2
  q=${q// and not / AND NOT }
  q=${q// and / AND }
  q=${q// or / OR }
  [ "$1" = "two-word phrase" ] && q="\"$q\""
  printf '%s' "$q"
}

# The one-word requests of the scan and the whole-process rows, per corpus (from the classes
# of bench/QueryClasses.h: the common and the rare word).
scan_words() {
  case $1 in
    brown) echo "time pentagon" ;;
    mail) echo "please jury" ;;
    *) echo "system kobject" ;;
  esac
}
PROC_CLASSES=("common word" "rare word" "two-word AND" "two-word phrase" "OR of three" "negation")

mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd)
failed=0
for c in "${CORPORA[@]}"; do
  CW=$WORK/$c
  TEXT=$CORPORA_DIR/$c
  ENGINE=$CW/engine
  INDEX=$CW/index/$c
  XDB=$CW/xapian
  mkdir -p "$CW/logs"
  NFILES=$(find "$TEXT" -type f | wc -l)
  TEXT_MB=$(find "$TEXT" -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%.1f", s / 1e6 }')
  if [ "${LXR_BENCH_REUSE:-0}" != 1 ] || [ ! -d "$INDEX" ]; then
    rm -rf "$ENGINE" "$CW/index"
    mkdir -p "$ENGINE" "$CW/index"
    if ! { "$LXR" --dir "$ENGINE" create "$INDEX" && "$LXR" --dir "$ENGINE" add "$INDEX" "$TEXT"; } \
      >"$CW/logs/build.out" 2>&1; then
      echo "bench-search: building our index of $c failed:" >&2; tail -5 "$CW/logs/build.out" >&2
      failed=1; continue
    fi
    # A corpus whose documents could not be read (the extraction helper missing, say) would
    # be timed as an index of nothing.
    unread=$(grep -o '[0-9]* could not be read' "$CW/logs/build.out" | awk '{ print $1 }' | tail -1 || true)
    if [ -n "$unread" ] && ((unread * 100 > NFILES)); then
      echo "bench-search: $unread of $NFILES files of $c could not be read (see lxr failed $INDEX)" >&2
      failed=1; continue
    fi
  fi
  if ((HAVE_XAPIAN)) && { [ "${LXR_BENCH_REUSE:-0}" != 1 ] || [ ! -d "$XDB" ]; }; then
    rm -rf "$XDB"
    if ! "$ANCHOR" "$TEXT" "$XDB" >"$CW/logs/xapian-build.out" 2>&1; then
      echo "bench-search: XapianIndexAnchor failed on $c:" >&2; tail -5 "$CW/logs/xapian-build.out" >&2
      failed=1
    fi
  fi
  find "$TEXT" "$CW/index" -type f -exec cat {} + >/dev/null  # hot cache
  [ -d "$XDB" ] && find "$XDB" -type f -exec cat {} + >/dev/null

  echo
  echo "== $c: $NFILES files, $TEXT_MB MB of text"
  echo "-- 1. evaluation over an open index (ms, $RUNS runs; goal: ours <= Xapian listing all matches)"
  xargs=()
  [ -d "$XDB" ] && xargs=(--xapian "$XDB")
  if ! "$BENCH" "$INDEX" --runs "$RUNS" --corpus "$c" "${xargs[@]}" >"$CW/logs/searchbench.out" 2>"$CW/logs/searchbench.err"; then
    echo "bench-search: SearchBench failed on $c:" >&2; cat "$CW/logs/searchbench.err" >&2
    failed=1
  fi
  printf '  %-16s %-26s %6s %8s %8s %8s | %6s %8s %8s %8s | %6s %6s %s\n' class request docs median p95 cpu \
    "X docs" median p95 cpu "wall" "cpu" "goal (cpu)"
  while IFS=$'\t' read -r _ name request docs med p95 cpu xdocs xmed xp95 xcpu; do
    if [ "$xmed" = - ]; then
      printf '  %-16s %-26s %6s %8s %8s %8s | %s\n' "$name" "$request" "$docs" "$med" "$p95" "$cpu" \
        "not supported by Xapian"
    else
      rw=$(div "$med" "$xmed")
      rc=$(div "$cpu" "$xcpu")
      printf '  %-16s %-26s %6s %8s %8s %8s | %6s %8s %8s %8s | %6s %6s %s\n' "$name" "$request" "$docs" "$med" \
        "$p95" "$cpu" "$xdocs" "$xmed" "$xp95" "$xcpu" "$rw" "$rc" "$(verdict "$rc" 1 1.5)"
    fi
  done < <(grep '^row' "$CW/logs/searchbench.out")

  echo "-- 2. whole process, output to /dev/null (median ms of $PROC_RUNS, wall and cpu; goal: lxr <= quest -s none -m 1000000, floor 1.5x)"
  printf '  %-16s %-26s %8s %8s %8s %8s %8s %8s %6s %6s %-10s %6s\n' class request "lxr" "cpu" quest "cpu" \
    XProcess "cpu" wall cpu "goal (cpu)" "X cpu"
  # proc_row NAME REQUEST QUEST_QUERY: one row; the three programs are timed in turn.
  proc_row() {
    local lw lc qw=- qc=- xw=- xc=-
    read -r lw lc < <(median_ms "$PROC_RUNS" lxr_indexed "$2")
    if [ -n "$QUEST" ] && [ -d "$XDB" ]; then
      read -r qw qc < <(median_ms "$PROC_RUNS" "$QUEST" -d "$XDB" -s none -m 1000000 "$3")
    fi
    if ((HAVE_XAPIAN)) && [ -d "$XDB" ] && [ "$1" != start-up ]; then
      read -r xw xc < <(median_ms "$PROC_RUNS" "$XPROC" "$XDB" "$c" "$1")
    fi
    local rw rc
    rw=$(div "$lw" "$qw")
    rc=$(div "$lc" "$qc")
    printf '  %-16s %-26s %8s %8s %8s %8s %8s %8s %6s %6s %-10s %6s\n' "$1" "$2" "$lw" "$lc" "$qw" "$qc" "$xw" "$xc" \
      "$rw" "$rc" "$(verdict "$rc" 1 1.5)" "$(div "$lc" "$xc")"
  }
  while IFS=$'\t' read -r _ name request _; do
    for want in "${PROC_CLASSES[@]}"; do
      [ "$name" = "$want" ] || continue
      proc_row "$name" "$request" "$(quest_query "$name" "$request")"
    done
  done < <(grep '^row' "$CW/logs/searchbench.out")
  # The start-up alone: a request that names no word of the index.
  proc_row start-up zzqqxxnotaword zzqqxxnotaword

  echo "-- 3. unindexed scan of one word vs rg -l -w -i (median ms of $SCAN_RUNS, wall and cpu; goal: lxr <= rg, floor 2x)"
  printf '  %-12s %8s %8s %6s %8s %8s %6s %6s %6s %s\n' word lxr cpu files rg cpu files wall cpu "goal (wall)"
  for w in $(scan_words "$c"); do
    read -r lw lc < <(median_ms "$SCAN_RUNS" lxr_scan "$w")
    lf=$(lxr_scan "$w" 2>/dev/null | grep -c "$TEXT" || true)
    gw=- gc=- gf=-
    if [ -n "$RG" ]; then
      read -r gw gc < <(median_ms "$SCAN_RUNS" "$RG" -l -w -i "$w" "$TEXT")
      gf=$("$RG" -l -w -i "$w" "$TEXT" | wc -l || true)
    fi
    rw=$(div "$lw" "$gw")
    rc=$(div "$lc" "$gc")
    printf '  %-12s %8s %8s %6s %8s %8s %6s %6s %6s %s\n' "$w" "$lw" "$lc" "$lf" "$gw" "$gc" "$gf" "$rw" "$rc" \
      "$(verdict "$rw" 1 2)"
  done
done
echo
echo "(ms = milliseconds; cpu = processor time, user + system, which other load on the machine"
echo " disturbs far less than wall time; ratio = ours / anchor; ok = at or under the goal, floor = over"
echo " the goal but at or under the floor; X cpu = lxr / XapianQueryProcess; output in $WORK/<corpus>/logs)"
exit $failed
