#!/usr/bin/env bash
# Builds a Release build and runs the main job on the bundled sample data: today the engine
# is initialised in a fresh private folder, its options are set and read back, two indexes
# are added to the index library and listed, and the sample documents are recognised and
# read through their importers (plain text, HTML, Rich Text).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_packages "${LXR_BUILD_PACKAGES[@]}"

BUILD=${LXR_DEMO_BUILD:-build/release}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target lxr
LXR="$BUILD/tools/lxr"

PRIVATE=$(mktemp -d "${TMPDIR:-/tmp}/lexaurum-demo.XXXXXX")
trap 'rm -rf "$PRIVATE"' EXIT
SAMPLES="$PWD/data/samples"
run() {
  printf '\n$ lxr'
  printf ' %q' "$@"
  printf '\n'
  "$LXR" --dir "$PRIVATE" "$@"
}

echo "Lexaurum demo -- private folder $PRIVATE"
"$LXR" version
run options
run options set hyphens 2
run options set alphabetName ENGLISH.ABC
run options
run library add "Sample letters" "$SAMPLES/letters"
run library add "Sample reports" "$SAMPLES/reports"
run library list
for doc in "$SAMPLES"/notices/* "$SAMPLES"/letters/harbour-office.txt; do
  run text --type "$doc"
  run text "$doc"
done
echo
echo "Files the engine keeps in its private folder:"
ls -l "$PRIVATE"
echo
echo "OPTIONS.DAT:"
sed -n '1,6p' "$PRIVATE/OPTIONS.DAT"
echo "IXLIB.ILB:"
cat "$PRIVATE/IXLIB.ILB"
