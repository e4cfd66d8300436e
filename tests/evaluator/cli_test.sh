#!/bin/bash
# Runs jjgz-formula on each case of the cases file and compares its output.
# A case is a block of lines: "args:" with a shell-quoted argument list (may be
# empty, then "stdin:" lines follow), then "out:" lines, then "err:" lines (trace),
# ended by a line "---". Backslash escapes (\\r) in "out:" lines are expanded.
tool="$1"
cases="$2"
fail=0
count=0
args=""; stdin=""; want=""; wanterr=""; mode=""; havestdin=0
run_case() {
  count=$((count + 1))
  local got goterr rc wantrc=0
  if [ $havestdin = 1 ]; then
    got=$(printf '%s' "$stdin" | eval "\"$tool\" $args" 2>/tmp/jjgz-cli-err.$$)
  else
    got=$(eval "\"$tool\" $args" 2>/tmp/jjgz-cli-err.$$ </dev/null)
  fi
  rc=$?
  case "$want" in error:*) wantrc=1 ;; esac
  if [ $rc != $wantrc ]; then
    echo "FAIL: $args exited $rc, expected $wantrc"
    fail=1
  fi
  goterr=$(cat /tmp/jjgz-cli-err.$$)
  want=$(printf '%b' "$want")
  if [ "$got" != "$want" ] || [ "$goterr" != "$wanterr" ]; then
    echo "FAIL: $args"
    echo "  expected: $want | $wanterr"
    echo "  got:      $got | $goterr"
    fail=1
  fi
}
while IFS= read -r line || [ -n "$line" ]; do
  case "$line" in
    "args: "*) args="${line#args: }"; mode=""; ;;
    "stdin:") mode=stdin; havestdin=1 ;;
    "out: "*) want="${want:+$want$'\n'}${line#out: }"; mode="" ;;
    "err: "*) wanterr="${wanterr:+$wanterr$'\n'}${line#err: }"; mode="" ;;
    "---") run_case; args=""; stdin=""; want=""; wanterr=""; mode=""; havestdin=0 ;;
    *) if [ "$mode" = stdin ]; then stdin="$stdin$line"$'\n'; fi ;;
  esac
done < "$cases"
rm -f /tmp/jjgz-cli-err.$$
echo "$count cases"
exit $fail
