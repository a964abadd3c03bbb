#!/usr/bin/env bash
# Builds a Release build and runs the main job on the bundled sample data: the engine is
# initialised in a fresh private folder, its options are set and read back, an index of the
# sample documents (plain text, HTML, Rich Text) is made and listed with its documents and
# words, two documents are shown as the importers read them, and the index is searched
# (a phrase, a proximity search, a wildcard, a negation) and one document shown with its hits;
# last a job script makes an index, searches it and checks what it found. The desktop program
# is built too, and the demo says how to start it on the demo's index.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_packages "${LXR_BUILD_PACKAGES[@]}" "${LXR_DESKTOP_PACKAGES[@]}"

BUILD=${LXR_DEMO_BUILD:-build/release}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target lxr lexaurum-desktop
LXR="$BUILD/tools/lxr"

PRIVATE=$(mktemp -d "${TMPDIR:-/tmp}/lexaurum-demo.XXXXXX")
# The demo's private folder is kept (LXR_DEMO_KEEP=1) so that the desktop program can be
# started on its index afterwards.
if [ "${LXR_DEMO_KEEP:-0}" = 1 ]; then trap - EXIT; else trap 'rm -rf "$PRIVATE"' EXIT; fi
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
run library list
INDEX="$PRIVATE/samples-index"
run create "$INDEX" --name Samples
run add Samples "$SAMPLES"
run info Samples
run files Samples
run words Samples
run words Samples --match 'harb*'
run explain 'apple pie w/3 tart or crumble'
for doc in "$SAMPLES"/notices/regatta.html "$SAMPLES"/notices/dredging.rtf; do
  run text --type "$doc"
  run text "$doc"
done
echo
echo "The index log (INDEXLOG.DAT), first lines:"
sed -n '1,14p' "$INDEX/INDEXLOG.DAT"
echo
echo "Files the engine keeps in its private folder:"
ls -l "$PRIVATE"
echo
echo "OPTIONS.DAT:"
sed -n '1,6p' "$PRIVATE/OPTIONS.DAT"
echo "IXLIB.ILB:"
cat "$PRIVATE/IXLIB.ILB"

echo
echo "Searches over the sample index:"
# A search that finds nothing exits with 1; the demo goes on.
search() { run search "$@" || true; }
search '"harbour master"' Samples
search 'pilot* w/5 fog' Samples --context 4
search 'tid*' Samples --sort name --ascending
search 'harbour and not (pilot* or tide)' Samples
search 'storm or regatta' Samples --json
run show "$SAMPLES/letters/pilotage-dues.txt" --request 'pilot* w/5 fog' --index Samples

echo
echo "A job script: the regression script tests/scripts/index-and-search.job, run in a copy"
echo "of its folder (it makes an index there, searches it and checks the hits it finds):"
cp -r tests/scripts "$PRIVATE/scripts"
mkdir -p "$PRIVATE/scripts/work"
run run "$PRIVATE/scripts/index-and-search.job" --verbose
echo
echo "The search report it wrote (work/trains.rpt):"
cat "$PRIVATE/scripts/work/trains.rpt"

echo
echo "The desktop program was built as $BUILD/win/lexaurum. To start it on the demo's index:"
if [ "${LXR_DEMO_KEEP:-0}" = 1 ]; then
  echo "  $BUILD/win/lexaurum --dir $PRIVATE"
  echo "(the index Samples is ticked; type a request such as  harbour or pilot*  and press Ctrl+Enter)"
else
  echo "  LXR_DEMO_KEEP=1 ./scripts/demo.sh     # keeps the demo's private folder, then prints:"
  echo "  $BUILD/win/lexaurum --dir <that folder>"
  echo "or index the samples yourself:"
  echo "  $BUILD/tools/lxr --dir ~/lexaurum-demo create ~/lexaurum-demo/samples-index --name Samples"
  echo "  $BUILD/tools/lxr --dir ~/lexaurum-demo add Samples $SAMPLES"
  echo "  $BUILD/win/lexaurum --dir ~/lexaurum-demo"
fi
