#!/usr/bin/env bash
# Runs many lxr searches at once, beside other lxr processes on the same private folder and
# index (updates, listings, settings reads), and counts the runs that failed for any reason
# but "nothing found". Not a test: it takes minutes. Usage:
#   scripts/lock-stress.sh [LXR] [SEARCHES] [PARALLEL]
# (defaults: build/release/tools/lxr, 10000, 8). Prints the failures and their count.
set -u
cd "$(dirname "$0")/.."
lxr=$(realpath "${1:-build/release/tools/lxr}")
searches=${2:-10000}
parallel=${3:-8}
work=$(mktemp -d)
trap 'touch "$work/stop"; wait; rm -rf "$work"' EXIT
priv="$work/private"
mkdir -p "$work/docs" "$work/failures"
for i in $(seq 1 40); do
  echo "harbour pilot tide number$i quay vessel $((i % 7)) anchor" > "$work/docs/d$i.txt"
done
"$lxr" --dir "$priv" add "$work/ix" "$work/docs" > /dev/null || { echo "cannot make the index" >&2; exit 2; }

# The other processes: an update after a changed document, the file list, the settings.
(
  n=0
  while [ ! -e "$work/stop" ]; do
    n=$((n + 1))
    echo "harbour changed $n" > "$work/docs/d1.txt"
    "$lxr" --dir "$priv" update "$work/ix" > /dev/null 2>&1
    "$lxr" --dir "$priv" files "$work/ix" > /dev/null 2>&1
    "$lxr" --dir "$priv" options > /dev/null 2>&1
  done
) &
(
  while [ ! -e "$work/stop" ]; do "$lxr" --dir "$priv" info "$work/ix" > /dev/null 2>&1; done
) &

export lxr priv work
one() {
  out=$("$lxr" --dir "$priv" search harbour "$work/ix" 2>&1)
  rc=$?
  # 0: found; 1: nothing found. Anything else is a failure of this run.
  if [ $rc -gt 1 ]; then printf '%s\n' "exit $rc: $out" > "$work/failures/$1"; fi
}
export -f one
seq 1 "$searches" | xargs -P "$parallel" -I{} bash -c 'one {}'

failed=$(ls "$work/failures" | wc -l)
for f in "$work"/failures/*; do [ -e "$f" ] && head -3 "$f"; done | sort | uniq -c | sort -rn | head -20
echo "$searches searches, $failed failed"
[ "$failed" -eq 0 ]
