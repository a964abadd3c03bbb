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
for folder in "${!sees[@]}"; do
  [ -d "$folder" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    header=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"${rest#*:}")
    top=${header%%/*}
    [ "$header" = "$top" ] && continue   # a header beside the file itself
    [ "$top" = "$folder" ] && continue
    ok=0
    for allowed in ${sees[$folder]}; do
      if [ "$allowed" = "$top" ] || [ "$allowed" = "$header" ]; then ok=1; break; fi
    done
    if [ $ok = 0 ]; then
      echo "$file:$line: $folder/ may not include \"$header\""
      bad=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' --include='*.h' --include='*.cpp' --include='*.c' "$folder" || true)
done

# A test sees what its layer sees, and the test helpers.
for folder in "${!sees[@]}"; do
  [ -d "tests/$folder" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    header=$(sed -E 's/.*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"${rest#*:}")
    top=${header%%/*}
    [ "$header" = "$top" ] && continue
    [ "$top" = "$folder" ] || [ "$top" = "tests" ] && continue
    ok=0
    for allowed in ${sees[$folder]} $([ "$folder" = tools ] && echo api); do
      if [ "$allowed" = "$top" ] || [ "$allowed" = "$header" ]; then ok=1; break; fi
    done
    if [ $ok = 0 ]; then
      echo "$file:$line: tests of $folder/ may not include \"$header\""
      bad=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' --include='*.h' --include='*.cpp' "tests/$folder" || true)
done

if [ $bad = 0 ]; then echo "layers: every include points down"; fi
exit $bad
