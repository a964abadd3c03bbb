#!/usr/bin/env bash
# Fails when a file includes a header of a layer above its own. The build refuses such an
# include too (each layer compiles against a view of the layers below it, cmake/Layers.cmake);
# this check names every offending line at once, without a build.
set -euo pipefail
cd "$(dirname "$0")/.."

# What each folder may include, besides its own headers and the standard and system ones.
declare -A sees=(
  [platform]=""
  [objects]="platform"
  [io]="platform objects"
  [trie]="platform objects io"
  [import]="platform objects io lexaurum/lxrviewer.h"
  [index]="platform objects io trie import lexaurum/lxrviewer.h"
  [search]="platform objects io trie import index lexaurum/lxrviewer.h"
  [api]="platform objects io trie import index search lexaurum"
  [tools]="platform objects io trie import index search api lexaurum"
  [win]="lexaurum"
)

bad=0
# check FOLDER WHAT SEES...: every project include in FOLDER names its own folder, the tests
# helpers (for tests) or one of SEES (a folder or a header).
check() {
  local folder=$1 what=$2 own=$3
  shift 3
  local hit file rest line header top ok allowed
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    header=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"${rest#*:}")
    top=${header%%/*}
    [ "$header" = "$top" ] && continue   # a header beside the file itself
    [ "$top" = "$own" ] && continue
    ok=0
    for allowed in "$@"; do
      if [ "$allowed" = "$top" ] || [ "$allowed" = "$header" ]; then ok=1; break; fi
    done
    if [ $ok = 0 ]; then
      echo "$file:$line: $what may not include \"$header\""
      bad=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' --include='*.h' --include='*.cpp' --include='*.c' "$folder" || true)
}

for folder in "${!sees[@]}"; do
  [ -d "$folder" ] && check "$folder" "$folder/" "$folder" ${sees[$folder]}
  # A test sees what its layer sees, and the test helpers; lxr's tests also the interface.
  [ -d "tests/$folder" ] && check "tests/$folder" "tests of $folder/" "$folder" tests ${sees[$folder]} \
    $([ "$folder" = tools ] && echo api)
done

if [ $bad = 0 ]; then echo "layers: every include points down"; fi
exit $bad
