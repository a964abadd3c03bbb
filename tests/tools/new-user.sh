#!/usr/bin/env bash
# lxr tried as a new user tries it: every command run as typed, with what it prints and the
# exit status checked. Failures that said nothing, help, the job summaries, the output of
# searches, and the query language against its documentation.
# Usage: new-user.sh LXR SOURCE_DIR
set -u
LXR=$1
SRC=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export LXRDIR="$work/private" NO_COLOR=
failures=0

# run ARGS...: runs lxr; $out holds standard output, $err standard error, $rc the status.
run() {
  "$LXR" "$@" >"$work/out" 2>"$work/err"
  rc=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}
fail() {
  echo "FAILED: $1" >&2
  echo "  rc=$rc"$'\n'"  stdout: ${out:0:2000}"$'\n'"  stderr: ${err:0:2000}" >&2
  failures=$((failures + 1))
}
# expect STATUS TEXT WHAT: the last run exited with STATUS and printed TEXT (on either stream).
expect() {
  [ "$rc" -eq "$1" ] || { fail "$3: status $rc, not $1"; return; }
  [ -z "$2" ] || grep -qF -- "$2" <<<"$out$err" || fail "$3: no '$2'"
}
# lacks TEXT WHAT: the last run did not print TEXT.
lacks() { ! grep -qF -- "$1" <<<"$out$err" || fail "$2: printed '$1'"; }

mkdir -p docs/sub
cat >docs/run.txt <<'EOF'
The runner was running. She runs and will run again; yesterday she ran.
A connection connects; they connected the parts. The car is an automobile.
Robert filed the report before the license ran out.
EOF
cat >docs/sub/page.html <<'EOF'
<html><head><title>Harbour notice</title></head><body><p>The license of the harbour.</p></body></html>
EOF
printf 'apple and the license\n' >docs/apple.txt
printf 'binary\0\0\0\1\2\3 data license' >docs/blob.bin
truncate -s 2G docs/huge.txt   # too large to open: an open failure

# ---- Failures that say nothing ----
run add ix /nonexistent
expect 2 "lxr: /nonexistent: No such file or directory" "add of a missing folder"
[ ! -e ix ] || fail "add of a missing folder made an index"
for cmd in info files verify compress update failed; do
  run $cmd /nonexistent
  expect 2 "/nonexistent: No such file or directory" "$cmd of a missing folder"
done
for cmd in info files words verify compress; do
  run $cmd "$work/docs"
  expect 2 "is not an index" "$cmd of a folder that is not an index"
done
run search license "$work/docs"
expect 2 "is neither an index folder nor an index of the library" "search of a folder that is not an index"
run library add bad /nonexistent
expect 2 "No such file or directory" "library add of a missing index"
run options set binaryFiles 9
expect 2 "1 (filter binary files), 2" "binaryFiles 9"
run options set hyphens abc
expect 2 "hyphens cannot be 'abc'" "hyphens abc"
run options
expect 0 "hyphens       = 3" "hyphens unchanged by a refused value"

run options set binaryFiles 3
expect 0 "" "binaryFiles 3"
run add ix docs
expect 0 "lxr: add done: 3 added, 0 re-indexed, 0 removed, 1 binary skipped, 0 encrypted skipped, 1 failed to open" "add summary"
expect 0 "(lxr failed ix lists them)" "add points at lxr failed"
run failed ix
expect 0 "$work/docs/huge.txt	could not be opened" "lxr failed names the open failure"
expect 0 "$work/docs/blob.bin	skipped: binary" "lxr failed names the binary file"
run update ix --json
expect 0 '"command":"update","index":"'"$work"'/ix","outcome":"done","added":0' "update --json"
run update ix --verbose
expect 0 "lxr: $work/docs/huge.txt: could not be opened" "update --verbose lists the failures"
rm docs/huge.txt

run words ix --match 'lic('
expect 2 "Parentheses do not balance" "a faulty --match pattern"
run search 'xfilter (nmae "*.txt")' ix
expect 2 'Not understood in XFILTER: NMAE "*.txt"' "a misspelt file condition"

# ---- Help that is help ----
run --help
expect 0 "usage: lxr" "--help on standard output"
[ -z "$err" ] || fail "--help wrote to standard error"
run help add
expect 0 "lxr add - index the files of folders" "help add"
run search --help
expect 0 "lxr search - list the documents" "search --help"
run help search
expect 0 "--sort hits|name|date|none" "help search shows the search page"
run --version
expect 0 "lxr (Lexaurum) " "--version"
run --bogus
expect 2 "lxr: unknown option '--bogus'" "--bogus"
run help --man
cmp -s "$work/out" "$SRC/docs/lxr.1" || fail "docs/lxr.1 is not the output of 'lxr help --man' (regenerate it)"

# ---- Output that misleads ----
# A re-indexed document leaves its old version in the index until a compression; the word
# counts must still agree with what a search finds.
touch -d '2030-01-01' docs/apple.txt
run update ix
run words ix --match license
expect 0 "" "words after an update"
docs=$(awk '$1 == "license" {print $3}' <<<"$out")
run search license ix
expect 0 "Retrieved $docs documents" "words counts the documents a search finds"
run search license ix --context 2
grep -qE '^ +1: \.\.\.and the \[license\]$' <<<"$out" || fail "--context without line numbers or brackets"
run search license ix --context 2 --color=always
grep -qF $'\x1b[1;31m' <<<"$out" || fail "--color=always does not colour the hits"
run search license ix
expect 0 '"Harbour notice"' "the title under a document"
run search license ix --sort name --max 2
first=$(grep -n "$work/docs/apple.txt" <<<"$out" | cut -d: -f1)
second=$(grep -n "$work/docs/run.txt" <<<"$out" | cut -d: -f1)
[ -n "$first" ] && [ -n "$second" ] && [ "$first" -lt "$second" ] || fail "--sort name is not A to Z on the whole path"
lacks "page.html" "--max 2 keeps the first two by name"
expect 0 "(the first 2 shown)" "--max with --sort name"
run show docs/apple.txt --request zebra
expect 1 "no hits for zebra" "show without hits"
lacks "apple and the" "show without hits prints the document"
run search the ix
expect 1 "lxr: warning: The request holds only noise words (the)" "a request of noise words only"
run search 'apple not license' ix
expect 0 "lxr: warning: Not searched, as no connector joins it to the request: (not LICENSE)" "a part that is not searched"
run explain 'run~' --index ix
expect 0 "RUN~: " "explain --index"
grep -qE '^    running +1 document' <<<"$out" || fail "explain --index does not list running with its count"
mkdir -p many
for i in $(seq 600); do printf 'wz%04d ' "$i"; done >many/words.txt
run add manyix many
run search 'wz*' manyix
expect 2 "wz* stands for more than 500 words" "too many words"
mv docs/sub/page.html docs/page.moved
run update ix
expect 0 ", 1 removed," "update removes a vanished file"
mv docs/page.moved docs/sub/page.html
run update ix --keep-deleted
rm docs/sub/page.html
run update ix --keep-deleted
expect 0 ", 0 removed," "update --keep-deleted keeps a vanished file"

# ---- The query language as documented ----
run search 'run~' ix --hits
expect 0 "" "run~"
run explain 'run~' --index ix
for w in run runs running runner; do grep -qE "^    $w " <<<"$out" || fail "run~ does not find $w"; done
run explain 'running~' --index ix
grep -qE '^    run ' <<<"$out" || fail "running~ does not find run"
run words ix --match 'connect~'
for w in connected connects; do grep -qE "^$w " <<<"$out" || fail "words --match connect~ does not list $w"; done
if [ -r "$(dirname "$LXR")/THESAUR.DAT" ]; then
  run explain 'car&'
  expect 0 "AUTOMOBILE" "car& expands to automobile"
fi
mkdir -p nothes && printf 'not a thesaurus\n' >nothes/THESAUR.DAT
run --dir "$work/nothes" search 'car&' ix
expect 0 "lxr: warning: No thesaurus is loaded" "synonyms without a thesaurus"

# ---- A new index ----
run create fresh
expect 0 "" "create"
[ -f fresh/INDEX_K.IX ] || fail "a new index has no INDEX_K.IX"
ls fresh | grep -q '^IXK' && fail "a new index has a dictionary copy"
pending=$(od -A n -t d4 -j 697 -N 4 fresh/INDEX_I.IX | tr -d ' ')
[ "$pending" = 0 ] || fail "a new index has pending dictionary $pending"

# An index that cannot be opened: the reason in the system's words, said once.
cp -r fresh broken && rm broken/INDEX_U.IX
for cmd in "search license" verify compress update; do
  run $cmd "$work/broken"
  expect 4 "lxr: The index $work/broken could not be opened (No such file or directory)" "$cmd of an index without its lock file"
  [ "$(grep -c 'could not be opened' <<<"$out$err")" -eq 1 ] || fail "$cmd says it more than once"
done

# ---- The progress bar, on a terminal ----
if command -v script >/dev/null; then
  mkdir -p bulk
  for i in $(seq 60); do seq 1 2000 | sed "s/^/word$i /" >bulk/f$i.txt; done
  script -qec "'$LXR' add bulkix bulk" /dev/null >"$work/tty" 2>&1
  percents=$(tr '\r' '\n' <"$work/tty" | grep -oE '\] +[0-9]+%' | grep -oE '[0-9]+')
  sorted=$(sort -n <<<"$percents")
  [ -n "$percents" ] && [ "$percents" = "$sorted" ] || fail "the progress bar goes backwards: $(tr '\n' ' ' <<<"$percents")"
  grep -q "lxr: add done" "$work/tty" || fail "no summary after the progress bar"
fi

[ $failures -eq 0 ] || { echo "$failures checks failed" >&2; exit 1; }
echo "all checks passed"
