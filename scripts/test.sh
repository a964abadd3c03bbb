#!/usr/bin/env bash
# Builds a Debug build with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test,
# the desktop program's Qt tests among them (on the offscreen platform: no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_packages "${LXR_BUILD_PACKAGES[@]}" "${LXR_DESKTOP_PACKAGES[@]}"

# An include of a higher layer fails the build too; this names every one at once.
./scripts/check-layers.sh
BUILD=${LXR_TEST_BUILD:-build/test}
# Rebuilds reuse earlier compilations where ccache is installed.
LAUNCHER=()
if command -v ccache >/dev/null; then
  LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=address,undefined \
  -DBUILD_TESTS=ON -DLXR_WERROR=ON "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$BUILD"
ctest --output-on-failure -j "$(nproc)" --timeout 300
