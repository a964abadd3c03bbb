#!/usr/bin/env bash
# Runs one regression job script in a scratch copy of this folder (scripts write their
# indexes and listings beside themselves, and change documents), then checks its log.
# Usage: run-script.sh LXR SCRIPT [--expect-failure]
# Passes when lxr exits 0 and the log holds no failed test; with --expect-failure, when
# lxr exits non-zero and the log holds a failed test.
set -u
lxr=$1
script=$2
expect_failure=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$here/." "$work/"
# Old dates, so that a document a script changes always gets a newer one.
find "$work" -name '*.txt' -exec touch -d '2020-01-01 12:00' {} +
rel=${script#"$here"/}
mkdir -p "$work/$(dirname "$rel")/work"
# A line "* Option: NAME = VALUE" of the script goes into the options file of the run (the
# settings a script cannot give itself, such as changing its own documents).
mkdir -p "$work/private"
if grep -q '^\* Option: ' "$work/$rel"; then
  { echo "Lexaurum Options"; sed -n 's/^\* Option: //p' "$work/$rel"; } > "$work/private/OPTIONS.DAT"
fi
"$lxr" --dir "$work/private" run "$work/$rel"
status=$?
log="$work/${rel%.job}.log"
failed=0
grep -q 'Test >>> FAILED <<<' "$log" 2>/dev/null && failed=1
if [ "$expect_failure" = --expect-failure ]; then
  if [ $status -ne 0 ] && [ $failed -eq 1 ]; then exit 0; fi
  echo "expected a failed test and a non-zero status; got status $status" >&2
else
  if [ $status -eq 0 ] && [ $failed -eq 0 ] && [ -s "$log" ]; then exit 0; fi
  echo "script failed with status $status" >&2
fi
cat "$log" >&2
exit 1
