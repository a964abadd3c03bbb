# Sourced by the benchmark scripts: bench_build BUILD TARGET... [-- OPTIONAL_TARGET...]
# configures BUILD as a Release build with the benchmarks (once) and builds the targets;
# a failure shows the end of the build log and returns 1. Optional targets (the Xapian
# anchors, which need libxapian-dev) are built when they can be.
bench_build() {
  local build=$1
  shift
  local required=() optional=()
  while (($#)) && [ "$1" != -- ]; do required+=("$1"); shift; done
  (($#)) && shift
  optional=("$@")
  if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_BENCH=ON -DBUILD_TESTS=OFF >/dev/null
  fi
  local log
  log=$(mktemp)
  if ! cmake --build "$build" -j 2 --target "${required[@]}" >"$log" 2>&1; then
    tail -30 "$log" >&2
    rm -f "$log"
    echo "building ${required[*]} in $build failed" >&2
    return 1
  fi
  rm -f "$log"
  ((${#optional[@]})) && cmake --build "$build" -j 2 --target "${optional[@]}" >/dev/null 2>&1
  return 0
}
