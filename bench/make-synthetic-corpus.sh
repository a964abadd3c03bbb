#!/usr/bin/env bash
# make-synthetic-corpus.sh [--first MB] OUT_DIR [MEGABYTES] [DOCUMENTS]
#
# Builds a large synthetic corpus from the real ones (brown, mail, kernel-docs, kernel-src under
# $LXR_CORPUS_DIR, default /tmp/lxr-corpus, laid out by ../shared/bench/make-corpus.sh) for the
# scaling benchmark (bench/bench-scale.sh): DOCUMENTS text files (default 1,000,000) holding
# MEGABYTES of text in all (default 3072; 1 MB = 2^20 bytes), each made of paragraphs (blocks
# between blank lines) of the real files.
#
# - Paragraphs: every text file of the corpora, split at blank lines; a mail message gives its
#   body only (its header block would make a document that starts with it read as mail); a
#   paragraph over 16 KB is cut at line ends into pieces of at most 16 KB.
# - Order: the paragraphs are dealt out in passes, each pass a fresh random permutation of all
#   of them, so the first ~333 MB hold every paragraph once, the next ~333 MB every one again,
#   and so on: a word's count grows in proportion to the corpus.
# - Sizes: the documents' sizes are drawn from a log-normal distribution (sigma 1.2: a few
#   hundred bytes to tens of kilobytes, median about half the mean) scaled so that they add up
#   to MEGABYTES; a document takes paragraphs until it reaches its size (an overshoot is taken
#   off the next one's), so the total is met to within one paragraph.
# - Layout: document i is OUT_DIR/aNN/bNN/NNNNNNN.txt, 1000 files per folder, 100 folders per
#   top folder.
# - Fixed seed: the same arguments give the same bytes. With --first MB only the documents up
#   to the first MB megabytes are written: the same files, with the same names and contents, as
#   the start of the full corpus, so smaller corpora are prefixes of the big one.
#
# Memory: the paragraphs of the real corpora (about 400 MB resident), whatever the size asked
# for. Needs python3. OUT_DIR must not exist or be empty. Prints one line: documents, bytes, folders, time.
set -euo pipefail

usage() { echo "usage: $0 [--first MB] OUT_DIR [MEGABYTES] [DOCUMENTS]" >&2; exit 2; }
FIRST=0
if [ "${1:-}" = --first ]; then
  [ $# -ge 2 ] || usage
  FIRST=$2; shift 2
fi
[ $# -ge 1 ] && [ $# -le 3 ] || usage
OUT=$1
MB=${2:-3072}
DOCS=${3:-1000000}
CORPORA=${LXR_CORPUS_DIR:-/tmp/lxr-corpus}
for v in "$MB" "$DOCS" "$FIRST"; do [[ $v =~ ^[0-9]+$ ]] || usage; done
((MB > 0 && DOCS > 0)) || usage
if [ -e "$OUT" ] && [ -n "$(ls -A "$OUT" 2>/dev/null)" ]; then
  echo "$0: $OUT exists and is not empty" >&2; exit 2
fi
mkdir -p "$OUT"

exec python3 - "$CORPORA" "$OUT" "$MB" "$DOCS" "$FIRST" <<'PY'
import math, os, random, re, sys, time
from array import array

corpora, out, mb, ndocs, first_mb = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
SEED = 20240601
MAX_PARA = 16 * 1024
SIGMA = 1.2
started = time.time()

# ---- the paragraph pool: one bytearray, with each paragraph's start and length ----
pool = bytearray()
starts = array('Q')
lens = array('I')
blank = re.compile(rb'\n[ \t\r\f\v]*\n')

def add_paragraph(p):
    p = p.strip(b'\r\n')
    if not p.strip():
        return
    while len(p) > MAX_PARA:
        cut = p.rfind(b'\n', 0, MAX_PARA)
        if cut <= 0:
            cut = MAX_PARA
        starts.append(len(pool)); lens.append(cut); pool.extend(p[:cut])
        p = p[cut:].lstrip(b'\r\n')
    if p:
        starts.append(len(pool)); lens.append(len(p)); pool.extend(p)

found = []
for name in ('brown', 'mail', 'kernel-docs', 'kernel-src'):
    top = os.path.join(corpora, name)
    if not os.path.isdir(top):
        print(f"make-synthetic-corpus: {top} missing, left out", file=sys.stderr)
        continue
    found.append(name)
    paths = []
    for d, subdirs, files in os.walk(top):
        subdirs.sort()
        paths.extend(os.path.join(d, f) for f in sorted(files))
    for path in paths:
        try:
            with open(path, 'rb') as f:
                data = f.read()
        except OSError:
            continue
        if b'\0' in data[:8192]:
            continue  # not text
        data = data.replace(b'\r\n', b'\n')
        if name == 'mail':
            body = blank.search(data)
            data = data[body.end():] if body else b''
        for p in blank.split(data):
            add_paragraph(p)
if not starts:
    sys.exit("make-synthetic-corpus: no paragraphs found under " + corpora)
npara = len(starts)
view = memoryview(pool)  # the pool is not changed from here on; slicing the view copies nothing

# ---- document sizes: log-normal, scaled to the total ----
rng = random.Random(SEED)
total = mb * 1024 * 1024
sizes = array('d')
for _ in range(ndocs):
    # Box-Muller on random() alone, so the draws do not depend on the library's normal sampler
    u1 = 1.0 - rng.random()
    u2 = rng.random()
    sizes.append(math.exp(SIGMA * math.sqrt(-2.0 * math.log(u1)) * math.cos(2.0 * math.pi * u2)))
scale = total / sum(sizes)

# ---- paragraph order: passes of fresh permutations, made when needed ----
order_rng = random.Random(SEED + 1)
perm = array('I', range(npara))
pos = npara
passes = 0
def next_paragraph():
    global pos, passes
    if pos == npara:
        r = order_rng.random
        for i in range(npara - 1, 0, -1):  # Fisher-Yates
            j = int(r() * (i + 1))
            perm[i], perm[j] = perm[j], perm[i]
        pos = 0
        passes += 1
    k = perm[pos]
    pos += 1
    s = starts[k]
    return view[s:s + lens[k]]

# ---- the documents ----
limit = first_mb * 1024 * 1024 if first_mb else total
sep = b'\n\n'
written = 0
target = 0.0
folders = 0
docs = 0
width = max(7, len(str(ndocs - 1)))
for i in range(ndocs):
    if written >= limit:
        break
    target += sizes[i] * scale
    if i % 1000 == 0:
        d = os.path.join(out, 'a%02d' % (i // 100000), 'b%02d' % (i // 1000 % 100))
        os.makedirs(d, exist_ok=True)
        folders += 1
    parts = [next_paragraph()]
    size = len(parts[0]) + 1
    while written + size < target:
        p = next_paragraph()
        parts.append(p)
        size += len(p) + 2
    body = sep.join(parts) + b'\n'
    fd = os.open(os.path.join(d, '%0*d.txt' % (width, i)), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    done = 0
    while done < len(body):
        done += os.write(fd, body[done:])
    os.close(fd)
    written += len(body)
    docs += 1

print(f"make-synthetic-corpus: {out}: {docs} documents, {written} bytes ({written / 2**20:.1f} MB), "
      f"{folders} folders; from {npara} paragraphs ({len(pool) / 2**20:.1f} MB) of {', '.join(found)}, "
      f"{passes} pass(es); {time.time() - started:.1f} s")
PY
