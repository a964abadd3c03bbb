#!/usr/bin/env bash
# The watcher's benchmark (bench/WatchBench) on the kernel source tree: builds lxr and the
# benchmark in a Release build, lays out the corpus when it is missing (KERNEL_SRC=1
# ../shared/bench/make-corpus.sh), copies it to a scratch folder (the benchmark appends to
# files there), indexes the copy and runs the benchmark with the watcher at normal priority and
# then at its own idle priority. docs/watching.md explains the figures.
#
# Usage: scripts/bench-watch.sh [CORPUS]          (default: kernel-src)
# Environment: LXR_BENCH_BUILD  Release build folder (default build/bench)
#              LXR_CORPUS_DIR   where the corpora are (default /tmp/lxr-corpus)
#              LXR_BENCH_WORK   scratch folder (default /tmp/lxr-bench-watch)
#              LXR_BENCH_TRIALS single-file trials per run (default 20)
#              LXR_BENCH_IDLE   seconds of idle measured (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${LXR_BENCH_BUILD:-build/bench}
CORPORA_DIR=${LXR_CORPUS_DIR:-/tmp/lxr-corpus}
WORK=${LXR_BENCH_WORK:-/tmp/lxr-bench-watch}
CORPUS=${1:-kernel-src}

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_BENCH=ON -DBUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j 2 --target lxr WatchBench
if [ ! -d "$CORPORA_DIR/$CORPUS" ]; then
  KERNEL_SRC=1 ../shared/bench/make-corpus.sh "$CORPORA_DIR" >/dev/null
fi
LXR=$(pwd)/$BUILD/tools/lxr
rm -rf "$WORK"
mkdir -p "$WORK"
cp -a "$CORPORA_DIR/$CORPUS" "$WORK/docs"
"$LXR" --dir "$WORK/priv" add "$WORK/idx" "$WORK/docs"
for priority in --normal-priority ""; do
  echo
  "$BUILD/bench/WatchBench" "$LXR" "$WORK/idx" "$WORK/docs" --trials "${LXR_BENCH_TRIALS:-20}" \
    --idle "${LXR_BENCH_IDLE:-60}" $priority
done
