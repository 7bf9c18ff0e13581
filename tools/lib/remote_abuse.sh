#!/bin/sh
# orvalix-cli listening on a free loopback port beside two camsim cameras, and
# orvalix-remote-abuse thrown at it (tools/remote-abuse builds and runs this).
# usage: remote_abuse.sh CAMSIM ORVALIX_CLI ORVALIX_REMOTE_ABUSE [memory|no-memory]
# (no-memory: orvalix-cli's memory is not watched, for a sanitizer's build)
set -u
CAMSIM=$1 CLI=$2 ABUSE=$3 MEMORY=${4:-memory} DIR=$(mktemp -d) n=0
"$CAMSIM" --profile fast --duration 120 --line 0x4B,0x4B --link "$DIR/com1" --transcript "$DIR/transcript" \
  >"$DIR/camsim.log" 2>&1 &
SIM=$!
trap 'kill $SIM ${CLIPID:-} 2>/dev/null; wait 2>/dev/null; rm -r "$DIR"' EXIT
while [ ! -e "$DIR/com1" ] && [ $n -lt 100 ]; do sleep 0.05; n=$((n + 1)); done
PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$CLI" --port 1="$DIR/com1" --listen 127.0.0.1:"$PORT" --wait 100000 >"$DIR/cli.out" 2>&1 &
CLIPID=$! n=0
while ! grep -q "^Remote control on 127.0.0.1:$PORT$" "$DIR/cli.out" && [ $n -lt 200 ]; do sleep 0.05; n=$((n + 1)); done
grep -q "^Remote control on" "$DIR/cli.out" || { echo "FAIL: orvalix-cli did not listen: $(cat "$DIR/cli.out" "$DIR/camsim.log")"; exit 1; }
WATCH=""
[ "$MEMORY" = memory ] && WATCH="--pid $CLIPID"
# shellcheck disable=SC2086 # WATCH is two words or none
"$ABUSE" 127.0.0.1:"$PORT" --transcript "$DIR/transcript" $WATCH
