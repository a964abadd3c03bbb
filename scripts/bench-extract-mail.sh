#!/usr/bin/env bash
# bench-extract-mail.sh [BUILD] [ROUNDS] -- mail and compressed-file extraction throughput
# against reference tools on the same files in the same run, the two sides alternating,
# medians of ROUNDS (default 5) printed side by side.
#   mail:       our extractor in process (bench/MailExtractBench, GMime) against python3's
#               email package (parse, walk the parts, decode text parts and attachments)
#   compressed: our decompressors in process against zcat/bzcat/xzcat (a process per file)
#   lxr text:   the wall time of `lxr text` over every real sample (helper process included
#               once extraction runs in one)
# Files: /work/shared/testdata/real/{mail,compressed} and, when present, the mail corpus of
# /work/shared/bench/make-corpus.sh (CORPUS, default /tmp/lxr-corpus/mail).
# BUILD is a build folder configured with -DBUILD_BENCH=ON (default build/rel).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/rel}
ROUNDS=${2:-5}
REAL=${REAL:-/work/shared/testdata/real}
CORPUS=${CORPUS:-/tmp/lxr-corpus/mail}
BENCH=$BUILD/bench/MailExtractBench
LXR=$BUILD/tools/lxr
[ -x "$BENCH" ] || { echo "build $BENCH first (-DBUILD_BENCH=ON)"; exit 2; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

find "$REAL/mail" -type f ! -name '*.expected.txt' | sort > "$tmp/real-mail"
find "$REAL/compressed" -type f ! -name '*.expected.txt' | sort > "$tmp/real-compressed"
sets=(real-mail real-compressed)
if [ -d "$CORPUS" ]; then
  find "$CORPUS" -type f | sort > "$tmp/corpus-mail"
  sets+=(corpus-mail)
fi

cat > "$tmp/ref.py" <<'PY'
import email, email.policy, sys, time
files = [open(n.strip(), "rb").read() for n in open(sys.argv[1]) if n.strip()]
start = time.perf_counter()
text = 0
for raw in files:
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    for h in ("From", "To", "Cc", "Subject", "Date"):
        text += len(str(msg.get(h, "")))
    for part in msg.walk():
        if part.is_multipart():
            continue
        try:
            if part.get_content_maintype() == "text":
                text += len(part.get_content())
            else:
                text += len(part.get_payload(decode=True) or b"")
        except Exception:
            pass
print("%.4f" % (time.perf_counter() - start))
PY

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
mb() { xargs -d '\n' cat < "$1" | wc -c | awk '{printf "%.2f", $1/1e6}'; }

printf '%-16s %6s %8s  %12s %12s  %s\n' set files MB "ours MB/s" "ref MB/s" reference
for s in "${sets[@]}"; do
  list=$tmp/$s
  n=$(wc -l < "$list"); size=$(mb "$list")
  : > "$tmp/ours"; : > "$tmp/ref"
  for ((r = 0; r < ROUNDS; r++)); do
    "$BENCH" 1 "@$list" | sed 's/.*median s \([0-9.]*\).*/\1/' >> "$tmp/ours"
    if [ "$s" = real-compressed ]; then
      t0=$(date +%s.%N)
      while read -r f; do
        case $f in *.gz) zcat "$f" ;; *.bz2) bzcat "$f" ;; *.xz) xzcat "$f" ;; esac > /dev/null
      done < "$list"
      echo "$(date +%s.%N) - $t0" | bc >> "$tmp/ref"
    else
      python3 "$tmp/ref.py" "$list" >> "$tmp/ref"
    fi
  done
  o=$(median < "$tmp/ours"); f=$(median < "$tmp/ref")
  ref=$([ "$s" = real-compressed ] && echo "zcat/bzcat/xzcat" || echo "python3 email")
  printf '%-16s %6d %8s  %12.1f %12.1f  %s\n' "$s" "$n" "$size" "$(echo "$size / $o" | bc -l)" \
    "$(echo "$size / $f" | bc -l)" "$ref"
done

if [ -x "$LXR" ]; then
  cat "$tmp/real-mail" "$tmp/real-compressed" > "$tmp/all"
  : > "$tmp/lxr"
  for ((r = 0; r < ROUNDS; r++)); do
    t0=$(date +%s.%N)
    while read -r f; do "$LXR" text "$f" > /dev/null 2>&1 || true; done < "$tmp/all"
    echo "$(date +%s.%N) - $t0" | bc >> "$tmp/lxr"
  done
  printf 'lxr text over %d real samples: median %.3f s (%.1f ms a file)\n' "$(wc -l < "$tmp/all")" \
    "$(median < "$tmp/lxr")" "$(echo "$(median < "$tmp/lxr") * 1000 / $(wc -l < "$tmp/all")" | bc -l)"
fi
