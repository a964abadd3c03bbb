#!/usr/bin/env bash
# Scaling benchmark: how indexing and each search request class grow with the corpus.
#
# For each size (default 384, 768, 1536 and 3072 MB) it takes the synthetic corpus of
# bench/make-synthetic-corpus.sh cut to that size (the full corpus is 3072 MB in 1,000,000
# documents; each smaller one is its first documents, so the documents grow in proportion),
# then
#   1. indexes it with `lxr create` + `lxr add` under /usr/bin/time -v: wall time, MB/s,
#      processor time, peak resident memory (GNU time's maximum resident set, from wait4: the
#      largest single process, lxr or a helper) and the median of lxr's resident memory sampled
#      once a second (the peak can come from one short step), the index's size on disk;
#   2. reads the index files once (hot cache) and times each request class in process
#      (bench/SearchBench: parse, lookup, evaluation, every document with its hits; one untimed
#      run, then the median of RUNS) and as a whole `lxr search REQUEST INDEX > /dev/null`
#      process (median of RUNS runs after one untimed run, wall and user + system time from
#      bash's `time`);
# and prints one table: a block of rows per class (documents found, in-process median ms,
# whole-process median ms) with a column per size and the growth from the smallest to the
# largest size, then the indexing rows. The common word ("struct", in about two documents of
# three) makes a near-full listing; the others are words of the Brown corpus, found at every
# size.
#
# Usage: bench/bench-scale.sh [SIZE_MB...]
# Environment: LXR_SCALE_BUILD   Release build folder with -DBUILD_BENCH=ON (default build/scale-release)
#              LXR_SCALE_WORK    scratch folder (default /tmp/lxr-scale): corpus-SIZE/, index-SIZE/, logs/
#              LXR_SCALE_REUSE=1 keep corpora and indexes already built there
#              LXR_SCALE_RUNS    timed runs per request (default 5)
#              LXR_SCALE_NOBUILD=1  measure the build folder as it is (no rebuild first)
#              LXR_SCALE_DROP=1  delete each corpus and index once measured (when space is short)
#              LXR_CORPUS_DIR    the real corpora (default /tmp/lxr-corpus)
# Results also go to $LXR_SCALE_WORK/results.tsv. Exit status 1 when a step fails.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

BUILD=${LXR_SCALE_BUILD:-build/scale-release}
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
WORK=${LXR_SCALE_WORK:-/tmp/lxr-scale}
RUNS=${LXR_SCALE_RUNS:-5}
FULL_MB=3072
FULL_DOCS=1000000
SIZES=("$@")
((${#SIZES[@]})) || SIZES=(384 768 1536 3072)

die() { echo "bench-scale: $*" >&2; exit 1; }
[ -x /usr/bin/time ] || die "/usr/bin/time missing (apt-get install time)"

if [ "${LXR_SCALE_NOBUILD:-0}" != 1 ]; then
  source scripts/bench-build.sh
  bench_build "$BUILD" lxr lxr-extract SearchBench || die "the build failed"
fi
LXR=$BUILD/tools/lxr
BENCH=$BUILD/bench/SearchBench

# The request classes of bench/QueryClasses.h: a common word of the kernel sources, Brown words
# for the others, and the start-up alone.
CLASSES=("common word" "rare word" "two-word AND" "two-word phrase" "prefix wildcard" "w/5" "OR of three"
         "negation" "start-up")
REQUESTS=("struct" "pentagon" "state and government" "united states" "govern*" "people w/5 said"
          "money or world or year" "struct and not time"
          "zzqqxxnotaword")  # the last, a word no index holds: opening the index and nothing else

mkdir -p "$WORK/logs"
WORK=$(cd "$WORK" && pwd)
ENGINE=$WORK/engine
mkdir -p "$ENGINE"
RESULTS=$WORK/results.tsv
printf 'size_mb\tkey\tvalue\n' >"$RESULTS"
put() { printf '%s\t%s\t%s\n' "$1" "$2" "$3" >>"$RESULTS"; }

# time_field LOG NAME: a field of GNU time -v's report.
time_field() { sed -n "s/^[[:space:]]*$2: //p" "$1" | tail -1; }
seconds() {  # h:mm:ss.ss or m:ss.ss -> seconds
  awk -F: '{ s = 0; for (i = 1; i <= NF; ++i) s = s * 60 + $i; printf "%.1f", s }' <<<"$1"
}

# median_ms CMD...: one untimed run, then RUNS timed runs with output to /dev/null; prints
# "WALL CPU" medians in ms, or "n/a n/a" when a run fails (status above 1: 1 is "nothing found").
median_ms() {
  local walls=() cpus=() i out TIMEFORMAT='%3R %3U %3S'
  "$@" >/dev/null 2>&1 || { (($? <= 1)) || { echo "n/a n/a"; return; }; }
  for ((i = 0; i < RUNS; ++i)); do
    out=$( { time "$@" >/dev/null 2>&1 || echo "rc=$?" >&2; } 2>&1 )
    case $out in *rc=[2-9]*|*rc=[1-9][0-9]*) echo "n/a n/a"; return ;; esac
    out=$(grep -E '^[0-9.]+ [0-9.]+ [0-9.]+$' <<<"$out" | tail -1)
    walls+=("$(awk '{ printf "%.1f", $1 * 1000 }' <<<"$out")")
    cpus+=("$(awk '{ printf "%.1f", ($2 + $3) * 1000 }' <<<"$out")")
  done
  local mid='{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
  echo "$(printf '%s\n' "${walls[@]}" | sort -g | awk "$mid") $(printf '%s\n' "${cpus[@]}" | sort -g | awk "$mid")"
}

failed=0
for S in "${SIZES[@]}"; do
  [[ $S =~ ^[0-9]+$ ]] && ((S > 0 && S <= FULL_MB)) || die "bad size $S (1 to $FULL_MB MB)"
  CORPUS=$WORK/corpus-$S
  INDEX=$WORK/index-$S
  LOG=$WORK/logs/$S
  echo "== $S MB: $(date '+%H:%M:%S')" >&2

  # ---- the corpus ----
  if [ "${LXR_SCALE_REUSE:-0}" != 1 ] || [ ! -f "$CORPUS.done" ]; then
    rm -rf "$CORPUS" "$CORPUS.done" "$INDEX"
    first=()
    ((S < FULL_MB)) && first=(--first "$S")
    bench/make-synthetic-corpus.sh "${first[@]}" "$CORPUS" "$FULL_MB" "$FULL_DOCS" >"$LOG.corpus" ||
      die "making the $S MB corpus failed"
    mv "$LOG.corpus" "$CORPUS.done"
  fi
  cat "$CORPUS.done" >&2
  NFILES=$(sed -n 's/.*: \([0-9]*\) documents, .*/\1/p' "$CORPUS.done")
  BYTES=$(sed -n 's/.* documents, \([0-9]*\) bytes.*/\1/p' "$CORPUS.done")
  TEXT_MB=$(awk -v b="$BYTES" 'BEGIN { printf "%.1f", b / 1048576 }')
  put "$S" documents "$NFILES"
  put "$S" text_mb "$TEXT_MB"

  # ---- indexing ----
  if [ "${LXR_SCALE_REUSE:-0}" != 1 ] || [ ! -f "$INDEX.done" ]; then
    rm -rf "$INDEX" "$INDEX.done"
    sync
    if ! "$LXR" --dir "$ENGINE" create "$INDEX" >"$LOG.create" 2>&1; then
      echo "bench-scale: lxr create $INDEX failed:" >&2; cat "$LOG.create" >&2
      failed=1; continue
    fi
    /usr/bin/time -v -o "$LOG.add.time" "$LXR" --dir "$ENGINE" add "$INDEX" "$CORPUS" >"$LOG.add" 2>&1 &
    timer=$!
    # lxr's resident memory once a second while it runs (kB), beside GNU time's peak
    : >"$LOG.add.rss"
    while kill -0 "$timer" 2>/dev/null; do
      for p in $(pgrep -P "$timer" || true); do
        awk '/^VmRSS:/ { print $2 }' "/proc/$p/status" 2>/dev/null >>"$LOG.add.rss" || true
      done
      sleep 1
    done
    if ! wait "$timer"; then
      echo "bench-scale: indexing $S MB failed:" >&2; tail -5 "$LOG.add" "$LOG.add.time" >&2
      failed=1; continue
    fi
    cp "$LOG.add.rss" "$INDEX.rss"
    cp "$LOG.add.time" "$INDEX.done"
  fi
  tail -1 "$LOG.add" >&2
  WALL=$(seconds "$(time_field "$INDEX.done" 'Elapsed (wall clock) time (h:mm:ss or m:ss)')")
  CPU=$(awk -v u="$(time_field "$INDEX.done" 'User time (seconds)')" \
            -v s="$(time_field "$INDEX.done" 'System time (seconds)')" 'BEGIN { printf "%.1f", u + s }')
  RSS=$(awk -v k="$(time_field "$INDEX.done" 'Maximum resident set size (kbytes)')" 'BEGIN { printf "%.0f", k / 1024 }')
  IDX_MB=$(du -sm "$INDEX" | awk '{ print $1 }')
  ADDED=$(grep -o '[0-9]* added' "$LOG.add" | tail -1 | awk '{ print $1 }' || true)
  put "$S" index_wall_s "$WALL"
  put "$S" index_cpu_s "$CPU"
  put "$S" index_mb_per_s "$(awk -v m="$TEXT_MB" -v w="$WALL" 'BEGIN { printf "%.1f", (w > 0 ? m / w : 0) }')"
  put "$S" index_peak_rss_mb "$RSS"
  if [ -s "$INDEX.rss" ]; then
    put "$S" index_median_rss_mb "$(sort -n "$INDEX.rss" | awk '{ v[NR] = $1 } END { printf "%.0f", v[int((NR + 1) / 2)] / 1024 }')"
  fi
  put "$S" index_log_mb "$(du -m "$INDEX/INDEXLOG.DAT" 2>/dev/null | awk '{ print $1 }')"
  put "$S" index_size_mb "$IDX_MB"
  put "$S" index_added "${ADDED:--}"

  # ---- searching, hot cache ----
  find "$INDEX" -type f -exec cat {} + >/dev/null
  if ! "$BENCH" "$INDEX" --runs "$RUNS" "${REQUESTS[@]}" >"$LOG.searchbench" 2>"$LOG.searchbench.err"; then
    echo "bench-scale: SearchBench failed at $S MB:" >&2; cat "$LOG.searchbench.err" >&2
    failed=1
  fi
  # SearchBench's script lines: row, "request", request, docs, median, p95, processor median, ...
  i=0
  while IFS=$'\t' read -r _ _ request docs med _ cpu _; do
    put "$S" "docs:$request" "$docs"
    put "$S" "eval_ms:$request" "$med"
    put "$S" "eval_cpu_ms:$request" "$cpu"
    i=$((i + 1))
  done < <(grep '^row' "$LOG.searchbench")
  ((i == ${#REQUESTS[@]})) || { echo "bench-scale: SearchBench gave $i of ${#REQUESTS[@]} rows at $S MB" >&2; failed=1; }
  for request in "${REQUESTS[@]}"; do
    read -r w c < <(median_ms "$LXR" --dir "$ENGINE" search "$request" "$INDEX" --color never)
    put "$S" "proc_ms:$request" "$w"
    put "$S" "proc_cpu_ms:$request" "$c"
    # the documents lxr lists (its output holds one line per document with its path)
    n=$("$LXR" --dir "$ENGINE" search "$request" "$INDEX" --color never 2>/dev/null | grep -c "$CORPUS/" || true)
    put "$S" "proc_docs:$request" "$n"
    d=$(awk -F'\t' -v s="$S" -v k="docs:$request" '$1 == s && $2 == k { print $3 }' "$RESULTS")
    [ "$n" = "$d" ] || echo "bench-scale: at $S MB lxr search lists $n documents for '$request', SearchBench $d" >&2
  done

  if [ "${LXR_SCALE_DROP:-0}" = 1 ]; then
    rm -rf "$CORPUS" "$CORPUS.done" "$INDEX" "$INDEX.done"
  fi
done

# ---- the table ----
get() { awk -F'\t' -v s="$1" -v k="$2" '$1 == s && $2 == k { v = $3 } END { print (v == "" ? "-" : v) }' "$RESULTS"; }
first=${SIZES[0]}
last=${SIZES[${#SIZES[@]} - 1]}
growth() {  # KEY: the value at the largest size over the value at the smallest
  awk -v a="$(get "$last" "$1")" -v b="$(get "$first" "$1")" \
    'BEGIN { if (a == "-" || b == "-" || a == "n/a" || b == "n/a" || b + 0 == 0) print "-"; else printf "%.1fx", a / b }'
}
row() {  # LABEL KEY
  local cells=() s
  for s in "${SIZES[@]}"; do cells+=("$(get "$s" "$2")"); done
  printf '%-44s' "$1"
  printf ' %10s' "${cells[@]}"
  printf ' %8s\n' "$(growth "$2")"
}
echo
echo "Scaling on the synthetic corpus ($(date '+%Y-%m-%d'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg))"
printf '%-44s' "size (MB of text)"
printf ' %10s' "${SIZES[@]}"
printf ' %8s\n' "growth"
row "documents" documents
for ((k = 0; k < ${#REQUESTS[@]}; ++k)); do
  r=${REQUESTS[k]}
  echo "${CLASSES[k]}: $r"
  row "  documents found" "docs:$r"
  row "  in process, median ms (SearchBench)" "eval_ms:$r"
  row "  in process, processor ms" "eval_cpu_ms:$r"
  row "  lxr search process, median ms" "proc_ms:$r"
  row "  lxr search process, processor ms" "proc_cpu_ms:$r"
done
echo "indexing (lxr create + lxr add)"
row "  wall s" index_wall_s
row "  processor s (user + system)" index_cpu_s
row "  MB/s (wall)" index_mb_per_s
row "  peak resident MB (GNU time)" index_peak_rss_mb
row "  resident MB, median of 1 s samples" index_median_rss_mb
row "  index size on disk MB" index_size_mb
row "  of which the index log INDEXLOG.DAT" index_log_mb
echo
echo "(medians of $RUNS runs, hot cache; growth = largest size / smallest; results in $RESULTS, logs in $WORK/logs)"
exit $failed
