#!/usr/bin/env bash
# Builds the benchmarks in a Release build and runs them. Installs their packages when run
# as root (see deps.sh). Usage: scripts/bench.sh [key count] [word-breaking corpus folder]
# The corpora are laid out by ../shared/bench/make-corpus.sh (default /tmp/lxr-corpus). Last comes
# the indexing benchmark, scripts/bench-index.sh, on every corpus (LXR_BENCH_INDEX=0 skips it).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_packages "${LXR_BUILD_PACKAGES[@]}" "${LXR_BENCH_PACKAGES[@]}"

BUILD=${LXR_BENCH_BUILD:-build/bench}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_BENCH=ON -DBUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target KeyFileBench WordBreakBench
"$BUILD"/bench/KeyFileBench "${1:-1000000}"
CORPUS=${2:-/tmp/lxr-corpus/brown}
if [ ! -d "$CORPUS" ] && [ -x ../shared/bench/make-corpus.sh ]; then
  ../shared/bench/make-corpus.sh "$(dirname "$CORPUS")" >/dev/null
fi
"$BUILD"/bench/WordBreakBench "$CORPUS"
if [ "${LXR_BENCH_INDEX:-1}" != 0 ]; then
  LXR_BENCH_BUILD="$BUILD" LXR_CORPUS_DIR="$(dirname "$CORPUS")" scripts/bench-index.sh
fi
