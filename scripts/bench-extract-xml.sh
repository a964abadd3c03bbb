#!/usr/bin/env bash
# Extraction throughput of the document packages against reference tools, on the same real
# samples in the same run: pandoc for .docx/.odt/.epub, a python3 zipfile + xml.etree script
# (all text nodes of the XML parts) for .xlsx/.pptx/.ods/.odp. Each round runs both sides over
# every sample LOOPS times, the two sides alternating which goes first; the medians of ROUNDS
# rounds are printed side by side as MB/s. Ours is the full `lxr text` run per file.
#   scripts/bench-extract-xml.sh [BUILD_DIR] [ROUNDS] [LOOPS]
set -euo pipefail
build=${1:-build/dbg}
rounds=${2:-5}
loops=${3:-5}
lxr=$build/tools/lxr
real=${LXR_REAL_SAMPLES:-/work/shared/testdata/real}
py=$(mktemp)
trap 'rm -f "$py"' EXIT
cat > "$py" <<'PY'
import sys, zipfile, xml.etree.ElementTree as ET
for path in sys.argv[1:]:
    z = zipfile.ZipFile(path)
    out = []
    for n in z.namelist():
        if n.endswith('.xml'):
            try:
                out.extend(t for t in ET.fromstring(z.read(n)).itertext())
            except ET.ParseError:
                pass
    sys.stdout.write(' '.join(out))
PY
now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
for group in "pandoc:docx odt epub" "script:xlsx pptx ods odp"; do
  tool=${group%%:*}
  files=()
  for ext in ${group#*:}; do
    for f in "$real"/ooxml/*."$ext" "$real"/odf/*."$ext" "$real"/epub/*."$ext"; do
      [ -f "$f.expected.txt" ] && files+=("$f")
    done
  done
  bytes=$(cat "${files[@]}" | wc -c)
  ours() { for ((i = 0; i < loops; i++)); do for f in "${files[@]}"; do "$lxr" text "$f" > /dev/null; done; done; }
  theirs() {
    for ((i = 0; i < loops; i++)); do
      if [ "$tool" = pandoc ]; then
        for f in "${files[@]}"; do pandoc -t plain "$f" > /dev/null 2>&1 || true; done
      else
        python3 "$py" "${files[@]}" > /dev/null
      fi
    done
  }
  a=(); b=()
  for ((r = 0; r < rounds; r++)); do
    if ((r % 2 == 0)); then
      t0=$(now); ours; t1=$(now); theirs; t2=$(now)
      a+=("$(echo "$t1 - $t0" | bc)"); b+=("$(echo "$t2 - $t1" | bc)")
    else
      t0=$(now); theirs; t1=$(now); ours; t2=$(now)
      b+=("$(echo "$t1 - $t0" | bc)"); a+=("$(echo "$t2 - $t1" | bc)")
    fi
  done
  ma=$(printf '%s\n' "${a[@]}" | median); mb=$(printf '%s\n' "${b[@]}" | median)
  mb_total=$(echo "$bytes * $loops / 1048576" | bc -l)
  printf '%-28s %3d files %6.2f MB x%d: lxr text %7.2f MB/s (%.2f s)   %s %7.2f MB/s (%.2f s)\n' \
    "${group#*:}" "${#files[@]}" "$(echo "$bytes / 1048576" | bc -l)" "$loops" \
    "$(echo "$mb_total / $ma" | bc -l)" "$ma" "$tool" "$(echo "$mb_total / $mb" | bc -l)" "$mb"
done
