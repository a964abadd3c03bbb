#!/usr/bin/env bash
# Runs every "lxr ..." line of README.md's first-steps block as a new user would type it, from
# the top of the source tree, with the index under a scratch folder instead of ~/idx. Each
# must succeed; a line whose comment says "exit 1" may also find nothing.
# Usage: readme-examples.sh LXR SOURCE_DIR
set -u
LXR=$1
SRC=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LXRDIR="$work/private"
lxr() { "$LXR" "$@"; }
cd "$SRC"
failures=0
count=0
while IFS= read -r line; do
  command=${line%%  #*}
  may_find_nothing=0
  [[ $line == *"exit 1"* ]] && may_find_nothing=1
  command=${command//\~\/idx/$work/idx}
  count=$((count + 1))
  eval "$command" >"$work/out" 2>&1
  rc=$?
  if [ $rc -ne 0 ] && ! { [ $rc -eq 1 ] && [ $may_find_nothing -eq 1 ]; }; then
    echo "FAILED (status $rc): $line" >&2
    head -20 "$work/out" >&2
    failures=$((failures + 1))
  fi
done < <(sed -n '/<!-- first-steps/,/<!-- end of first-steps -->/p' README.md | grep '^lxr ')
[ $count -ge 5 ] || { echo "README's first steps hold only $count lxr lines" >&2; exit 1; }
[ $failures -eq 0 ] || exit 1
echo "$count README examples passed"
