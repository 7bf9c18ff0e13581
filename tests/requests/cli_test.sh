#!/bin/sh
# orvalix-cli against camsim's virtual cameras on a pseudo-terminal.
# usage: cli_test.sh CAMSIM ORVALIX_CLI
set -u
CAMSIM=$1
CLI=$2
DIR=$(mktemp -d)
SIMPIDS=""
FAILED=0

cleanup() {
  for pid in $SIMPIDS; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  rm -rf "$DIR"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  FAILED=1
}

# Starts camsim with the given arguments, linking its line to $DIR/$1.
start_sim() {
  link=$DIR/$1
  shift
  "$CAMSIM" --profile fast --duration 60 "$@" --link "$link" >"$link.log" 2>&1 &
  SIMPIDS="$SIMPIDS $!"
  n=0
  while [ ! -e "$link" ] && [ $n -lt 100 ]; do sleep 0.05; n=$((n + 1)); done
  [ -e "$link" ] || fail "camsim did not come up: $(cat "$link.log")"
}

expect_line() {  # file, exact line
  grep -qxF -- "$2" "$1" || fail "missing line '$2' in $(basename "$1"): $(cat "$1")"
}

# Bad arguments: a clear message, exit status 2.
for args in "" "--port 0=/dev/null" "--port 1" "--port 1=/x --select 0" "--port 1=/x --request 5" \
            "--port 1=/x --select 1 --request x:1" "--port 1=/x --wait -5" "--bogus"; do
  # shellcheck disable=SC2086
  "$CLI" $args >"$DIR/out" 2>"$DIR/err"
  rc=$?
  [ $rc -eq 2 ] || fail "'$args' gave exit status $rc"
  grep -q "orvalix-cli: " "$DIR/err" || fail "'$args' gave no message"
done

# A device that cannot be opened.
"$CLI" --port 3="$DIR/nothing-here" >"$DIR/out" 2>"$DIR/err"
rc=$?
[ $rc -ne 0 ] || fail "a missing device gave exit status 0"
grep -qF "cannot open $DIR/nothing-here (COM3)" "$DIR/err" || fail "no message for a missing device: $(cat "$DIR/err")"

# Two cameras on COM2; every other port stays closed, so COM2 is the only one checked.
start_sim com2 --line 0x67,0x4B --transcript "$DIR/transcript"
"$CLI" --port 2="$DIR/com2" --select 2 --request 1:50 --request 45:1 --request 11 --wait 800 \
  >"$DIR/run" 2>"$DIR/err"
rc=$?
[ $rc -eq 0 ] || fail "a good run gave exit status $rc: $(cat "$DIR/err")"
expect_line "$DIR/run" "Searching for cameras..."
expect_line "$DIR/run" "Checking COM2..."
expect_line "$DIR/run" "Found 2 cameras"
expect_line "$DIR/run" "Initializing camera 1..."
expect_line "$DIR/run" "Initializing camera 2..."
expect_line "$DIR/run" "2 Cameras OK, none selected"
expect_line "$DIR/run" "Camera 2 selected"
grep -q "^Checking COM[^2]" "$DIR/run" && fail "another port was opened: $(cat "$DIR/run")"
# Status texts appear in the order they were shown, before the camera lines.
order=$(grep -n -e "^Found 2 cameras$" -e "^2 Cameras OK" -e "^camera 1 " -e "^Camera 2 selected$" "$DIR/run" |
        cut -d: -f2 | cut -c1-9 | tr '\n' '|')
[ "$order" = "Found 2 c|2 Cameras|camera 1 |Camera 2 |" ] || fail "order of the output: $order"
grep -q "^camera 1 COM2 address 1 model 0x67 port=1 address=1 zoomRequest=0 .* modelCode=103 .* lastPreset=" \
  "$DIR/run" || fail "camera 1 line: $(cat "$DIR/run")"
grep -q "^camera 2 COM2 address 2 model 0x4B port=1 address=2 .* modelCode=75 icrMode=[0-9]* powerSwitch=0 lastPreset=[0-9]*$" \
  "$DIR/run" || fail "camera 2 line: $(cat "$DIR/run")"
# Zoom slider 50 on a 10x camera is 13737: the camera went there and reported it.
expect_line "$DIR/run" "notify 2 1 13737"
expect_line "$DIR/run" "notify 2 45 1"
zoomLine=$(grep -n "^notify 2 1 13737$" "$DIR/run" | cut -d: -f1)
freezeLine=$(grep -n "^notify 2 45 1$" "$DIR/run" | cut -d: -f1)
[ -n "$zoomLine" ] && [ -n "$freezeLine" ] && [ "$zoomLine" -lt "$freezeLine" ] || fail "requests out of order"
grep -q -- "-> 82 01 04 47 03 05 0A 09 FF" "$DIR/transcript" || fail "zoom command not on the line"
grep -q -- "-> 82 01 04 62 02 FF" "$DIR/transcript" || fail "freeze command not on the line"

# A camera that stops answering during initialisation.
start_sim com4 --line 0x5F --fault cam1:stop-after=6
"$CLI" --port 4="$DIR/com4" --timeout 20000 >"$DIR/out" 2>"$DIR/err"
rc=$?
[ $rc -ne 0 ] || fail "an unfinished initialisation gave exit status 0"
grep -q "orvalix-cli: initialisation" "$DIR/err" || fail "no message for an unfinished initialisation: $(cat "$DIR/err")"
grep -q "^camera " "$DIR/out" && fail "camera lines printed without a finished initialisation"

# A line without cameras.
start_sim com5 --line 0x5F --fault silent
"$CLI" --port 5="$DIR/com5" >"$DIR/out" 2>"$DIR/err"
rc=$?
[ $rc -ne 0 ] || fail "no camera gave exit status 0"
grep -qF "orvalix-cli: no camera answered" "$DIR/err" || fail "no message without cameras: $(cat "$DIR/err")"
expect_line "$DIR/out" "Found 0 cameras"

[ $FAILED -eq 0 ] && echo "PASS"
exit $FAILED
