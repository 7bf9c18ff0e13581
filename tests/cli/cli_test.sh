#!/bin/sh
# orvalix-cli against camsim's virtual cameras on a pseudo-terminal.
# usage: cli_test.sh CAMSIM ORVALIX_CLI
set -u
CAMSIM=$1 CLI=$2 DIR=$(mktemp -d) SIMPIDS="" FAILED=0
trap 'for p in $SIMPIDS; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done; rm -r "$DIR"' EXIT
fail() { echo "FAIL: $*"; FAILED=1; }
has() { grep -q -- "$2" "$DIR/$1" || fail "no '$2' in $1: $(cat "$DIR/$1")"; }
start_sim() {  # link name, camsim arguments; waits for the link to appear
  link=$DIR/$1 n=0; shift
  "$CAMSIM" --profile fast --duration 60 "$@" --link "$link" >"$link.log" 2>&1 &
  SIMPIDS="$SIMPIDS $!"
  while [ ! -e "$link" ] && [ $n -lt 100 ]; do sleep 0.05; n=$((n + 1)); done
  [ -e "$link" ] || fail "camsim made no $link within 5 s: $(cat "$link.log")"
}
run() { "$CLI" "$@" >"$DIR/out" 2>"$DIR/err"; rc=$?; }

# Bad arguments: a clear message, exit status 2.
many=$(i=0; while [ $i -le 255 ]; do printf ' --request 14'; i=$((i + 1)); done)
for args in "" "--port 0=/x" "--port 11=/x" "--port 1" "--port 1=" "--port 1=/a --port 1=/b" "--port 1=/x --select 0" \
            "--port 1=/x --select 183" "--port 1=/x --request 5" "--port 1=/x --select 1 --request x:1" \
            "--port 1=/x --select 1 --request 5:" "--port 1=/x --select 1 --request 5:99999999999" \
            "--port 1=/x --wait -5" "--port 1=/x --wait" "--port 1=/x --wait 0x" "--port 011=/x" "--port 1=/x --timeout 0" \
            "--bogus" "--port 1=/x --select 1$many" "--port 1=/x --select 1 --raw 8x,09,00,FF" \
            "--port 1=/x --raw 8x09" "--port 1=/x --select 1 --raw 8x 09 FF 00"; do
  # shellcheck disable=SC2086
  run $args
  [ $rc -eq 2 ] && grep -q "^orvalix-cli: " "$DIR/err" || fail "'$(echo $args | cut -c1-60)': status $rc, $(head -1 "$DIR/err")"
done
run --port 08="$DIR/nothing-here"  # decimal, never octal
[ $rc -ne 0 ] && has err "cannot open $DIR/nothing-here (COM8)" || fail "a missing device gave exit status $rc"

# Two cameras on COM2; every other port stays closed.
start_sim com2 --line 0x67,0x4B --transcript "$DIR/transcript"
run --port 2="$DIR/com2" --select 02 --request 1:050 --request 0x2D:1 --request 11 --wait 0800
[ $rc -eq 0 ] || fail "a good run gave exit status $rc: $(cat "$DIR/err")"
grep -q "^Checking COM[^2]" "$DIR/out" && fail "another port was opened"
# Status texts as shown, before the camera lines; the notifications in request order.
got=$(grep -e "^Searching for cameras...$" -e "^Checking COM2...$" -e "^Found 2 cameras$" -e "^Initializing camera" \
           -e "^2 Cameras OK, none selected$" -e "^camera " -e "^Camera 2 selected$" -e "^notify 2 1 " -e "^notify 2 45 " \
           "$DIR/out" | cut -c1-24 | tr '\n' '|')
[ "$got" = "Searching for cameras...|Checking COM2...|Found 2 cameras|Initializing camera 1...|\
Initializing camera 2...|2 Cameras OK, none selec|camera 1 COM2 address 1 |camera 2 COM2 address 2 |\
Camera 2 selected|notify 2 1 13737|notify 2 45 1|" ] || fail "output: $got"
has out "^camera 1 COM2 address 1 model 0x67 port=1 address=1 zoomRequest=0 .* modelCode=103 .* lastPreset=[0-9]* panTilt=0 panPos=0 tiltPos=0 panMax=0 tiltMax=0$"
has out "^camera 2 COM2 address 2 model 0x4B port=1 address=2 .* modelCode=75 icrMode=[0-9]* powerSwitch=0 lastPreset="
# Zoom slider 50 (given as 050) on a 10x camera is 13737 (0x35A9).
has transcript "-> 82 01 04 47 03 05 0A 09 FF"
has transcript "-> 82 01 04 62 02 FF"

# A script on standard input, once the cameras are ready: each command's outcome, 1000 lines without loss.
{ echo "raw 8x 09 04 00 FF"; echo "select 2"; echo "raw 8x 09 04 00 FF"; echo "raw 81 09 04 00 FF"
  echo "request 0x2D:0"; echo "nonsense"; echo "wait 0x"
  i=0; while [ $i -lt 994 ]; do echo "status"; i=$((i + 1)); done
  echo "raw 8x 01 04 62 07 FF"; echo "quit"; echo "raw 8x 01 04 00 03 FF"; } |
  run --port 2="$DIR/com2" --stdin
[ $rc -eq 0 ] || fail "a script gave exit status $rc: $(cat "$DIR/err")"
# Replies and notifications come as the engine gets them, between the commands' own lines.
got=$(grep -v -e "^camera " -e "^status: " -e "^notify " -e "^raw: " -e "^Err " "$DIR/out" | sed -n '/^2 Cameras OK/,$p' |
  tr '\n' '|')
[ "$got" = "2 Cameras OK, none selected|error: no camera selected; use select N|Camera 2 selected|raw put|\
error: raw: 81 is not the address of camera 2 (82); write 8x.|request 45:0 put|error: unknown command: nonsense|\
error: wait needs milliseconds: 0x|raw put|" ] || fail "script output: $got"
has out "^raw: [0-9.]* COM2 Cam 2 <- A0 50 02 FF  answer, [0-9]* ms$"
# A refused command's text follows its reply.
got=$(grep -e "^raw: .* <- A0 60 02 FF  error: syntax, " -e "^Err Answer 60, COM2, Cam:2 p.Mode:80$" "$DIR/out" | cut -d' ' -f1)
[ "$(echo $got)" = "raw: Err" ] || fail "the reply and its error text: $got"
has out "^notify 2 45 0$"
[ "$(grep -c "^status: Camera 2 selected$" "$DIR/out")" -eq 994 ] || fail "status lines lost"
has transcript "-> 82 01 04 62 03 FF"
grep -q -- "-> 82 01 04 00 03 FF" "$DIR/transcript" && fail "a command after quit was sent"
# A block camera does not pan or tilt: a movement is refused, naming the camera.
printf 'select 1\nmove 1 0\nquit\n' | run --port 2="$DIR/com2" --stdin
has out "^error: camera 1 has no pan/tilt$"
# Names kept in --names FILE from one run to the next; a line the program cannot read is named and kept.
printf '[Other]\nColour=red\n' >"$DIR/names.ini"
printf 'select 1\nname camera Pulpit\nname preset 3 Choir\nquit\n' | run --port 2="$DIR/com2" --stdin --names "$DIR/names.ini"
has err "^orvalix-cli: names.ini line 2 skipped, kept as it is: Colour=red$"
has out "^Camera 1 named Pulpit$"
printf 'select 1\npresets\nquit\n' | run --port 2="$DIR/com2" --stdin --names "$DIR/names.ini"
[ "$(tr -d '\r' <"$DIR/names.ini" | tr '\n' '|')" = "[Other]|Colour=red|[COM2 1]|Name=Pulpit|Preset3=Choir|" ] ||
  fail "names file: $(cat "$DIR/names.ini")"
has out "^3 Choir$"
# A pan/tilt camera: each movement's bytes, its maxima clamping, and a drive still on at quit stopped (each
# movement given time to go out, since a newer one replaces one not yet sent).
start_sim ptz --line 0x70 --transcript "$DIR/pt"
printf 'select 1\nmove 5 -3\nwait 300\nmove 200 0\nwait 300\nstop\nwait 300\nhome\nwait 300\ngoto -0x10 16\nwait 300\nmove 3 3\nquit\n' |
  run --port 5="$DIR/ptz" --stdin
for bytes in "01 05 03 02 02" "01 18 01 02 03" "01 01 01 03 03" "04" "02 18 14 0F 0F 0F 00 00 00 01 00"; do
  has pt "-> 81 01 06 $bytes FF"
done
has out "^goto -16 16 24 put$"
[ "$(grep -o -- "-> 81 01 06 01 .. .. .. .. FF" "$DIR/pt" | tail -1)" = "-> 81 01 06 01 01 01 03 03 FF" ] || fail "left moving at quit"

# A camera that stops answering during initialisation (listed "(no answer)", never initialised: the run ends at
# --timeout), and a line without cameras.
start_sim com4 --line 0x5F --fault cam1:stop-after=6
run --port 4="$DIR/com4" --timeout 3000
[ $rc -ne 0 ] && has err "^orvalix-cli: camera 1 is not answering$" || fail "an unfinished initialisation gave exit status 0"
grep -q "^camera " "$DIR/out" && fail "camera lines printed without a finished initialisation"
start_sim com5 --line 0x5F --fault silent
run --port 5="$DIR/com5"
[ $rc -ne 0 ] && has err "^orvalix-cli: no camera answered" || fail "no camera gave exit status 0"
has out "^Found 0 cameras$"

# The same camera over visca-ip and over tcp on 127.0.0.1: listed as IP1, initialised with the bytes a serial
# line carries (after the line's own check), and a request read back.
start_net() {  # name, camsim arguments; PORT is the port camsim serves once it has named it
  name=$1; shift
  "$CAMSIM" --profile fast --duration 60 "$@" --transcript "$DIR/$name" >"$DIR/$name.log" 2>&1 &
  SIMPIDS="$SIMPIDS $!" n=0 PORT=""
  while [ -z "$PORT" ] && [ $n -lt 100 ]; do
    sleep 0.05; n=$((n + 1)); PORT=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$DIR/$name.log")
  done
  [ -n "$PORT" ] || fail "camsim named no port within 5 s: $(cat "$DIR/$name.log")"
}
sent() { grep -- " -> " "$DIR/$1" | sed 's/.* -> //' | tail -n +"$2"; }  # transcript, first packet kept
start_sim com6 --line 0x4B --transcript "$DIR/serial"
run --port 6="$DIR/com6"
start_net visca --line 0x4B --udp 0
run --ip 1=127.0.0.1:"$PORT" --select 1 --request 1:50 --wait 300
has out "^Checking IP1...$"
has out "^camera 1 IP1 address 1 model 0x4B port=10 "
has out "^notify 1 1 13737$"
has visca "-> 81 01 04 47 03 05 0A 09 FF"
sent visca 2 | sed '/^81 01 04 47 03 05 0A 09 FF$/,$d' >"$DIR/visca-init"
[ -s "$DIR/visca-init" ] && [ "$(cat "$DIR/visca-init")" = "$(sent serial 3)" ] || fail "visca-ip initialisation: $(tr '\n' '|' <"$DIR/visca-init")"
sent visca 2 | sed '1,/^81 01 04 47 03 05 0A 09 FF$/d' | grep -q "^81 09 04 47 FF$" || fail "no zoom read-back over visca-ip"
start_net tcp --line 0x4B --tcp 0
run --ip 3=127.0.0.1:"$PORT",tcp
has out "^camera 1 IP3 address 1 model 0x4B port=12 "
[ "$(sent tcp 1)" = "$(sent serial 1)" ] || fail "tcp initialisation: $(sent tcp 1 | tr '\n' '|')"
# Port 52381 held by a first program: a second sends from another port and says so once.
"$CLI" --ip 1=127.0.0.1:"$PORT",tcp --ip 2=127.0.0.1:"$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$DIR/visca.log")" \
  --wait 5000 >"$DIR/first" 2>&1 & first=$! n=0
while ! grep -q "Cameras OK" "$DIR/first" 2>/dev/null && [ $n -lt 100 ]; do sleep 0.05; n=$((n + 1)); done
start_net second --line 0x4B --udp 0
run --ip 1=127.0.0.1:"$PORT"
[ "$(grep -c "^Sending from UDP port [0-9]*: 52381 is taken$" "$DIR/out")" -eq 1 ] || fail "port notice: $(cat "$DIR/out")"
kill $first; wait $first 2>/dev/null
# A refused connection is named and the line left out; a fifth of the datagrams lost both ways: a message
# unanswered is sent again and the engine goes on, and the camera ends initialised and listed (a second loss
# in one transaction passes it over until it answers again, as a lost reply does on a serial line).
run --ip 2=127.0.0.1:1,tcp
[ $rc -eq 1 ] || fail "a refused connection gave exit status $rc"
has out "^IP2: no connection$"
has err "no camera answered"
start_net lossy --line 0x4B --udp 0 --fault drop=20
run --ip 1=127.0.0.1:"$PORT" --timeout 30000
[ $rc -eq 0 ] || fail "a fifth of the datagrams lost gave exit status $rc: $(cat "$DIR/err")"
has out "^camera 1 IP1 address 1 model 0x4B "
sent lossy 1 | grep -v "^81 09 00 02 FF$" | awk '{ if ($0 == p) again = 1; else if (again) on = 1; p = $0 } END { exit !on }' ||
  fail "no resend the engine went on from: $(sent lossy 1 | tr '\n' '|')"

# A TCP bridge unplugged (connections refused for a second), and a visca-ip camera switched off: the line is lost, or
# its camera marked, then back with its records, and a request reaches the camera afterwards.
after() {  # line name, camera address: the freeze request went out after the outage ended
  sed -n '/ L1 \(plugged in\|cam1 on\)$/,$p' "$DIR/$1" | grep -q -- "-> 8$2 01 04 62 02 FF" || fail "$1: no request after"
}
script() { printf 'select %s\nwait 4500\nrequest 0x2D:1\nwait 300\nquit\n' "$1"; }
start_net unplug --line 0x4B,0x4B --tcp 0 --fault unplug=1.5:2.5
script 2 | run --ip 1=127.0.0.1:"$PORT",tcp --stdin
got=$(grep "^IP1" "$DIR/out" | tr '\n' '|')
[ "$got" = "IP1 lost|IP1 back, 2 cameras|" ] || fail "unplugged tcp line: $got"
after unplug 2
start_net power --line 0x4B --udp 0 --fault cam1:power-off=1.5:2.5
script 1 | run --ip 1=127.0.0.1:"$PORT" --stdin
got=$(grep -e "^IP1" -e "^Camera 1 not" "$DIR/out" | tr '\n' '|')
[ "$got" = "Camera 1 not answering|IP1 back, 1 cameras|" ] || fail "visca-ip camera switched off: $got"
after power 1
# A camera switched off and on with noise ahead of its packets: its network change and the check's echoes are found
# behind the noise, which the trace names, and the camera is back without being asked.
start_sim com7 --line 0x4B --fault cam1:power-off=1.5:2.5 --fault cam1:power-on-noise=5
run --port 7="$DIR/com7" --trace --wait 4000
has out "^COM7 back, 1 cameras$"
has out "^[0-9.]* COM7 - -- noise dropped: [0-9A-F ]*$"

# The remote control on a free port: a line client and an HTTP GET, replies and events as they come, every wait bounded.
start_sim rcline --line 0x4B,0x70 --transcript "$DIR/rc"
RPORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$CLI" --port 8="$DIR/rcline" --listen 127.0.0.1:"$RPORT" --wait 30000 >"$DIR/remote" 2>&1 & cli=$! n=0
while ! grep -q "^Remote control on 127.0.0.1:$RPORT$" "$DIR/remote" 2>/dev/null && [ $n -lt 200 ]; do sleep 0.05; n=$((n + 1)); done
talk() {  # each argument a line sent and what came up to its reply; "?TEXT": what came up to a line holding TEXT
  python3 -c '
import signal, socket, sys
signal.alarm(20)  # events keep coming: the whole talk is bounded, not only each read
f = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=5).makefile("rwb")
for cmd in sys.argv[2:]:
    if cmd[0] != "?":
        f.write(cmd.encode() + b"\n"), f.flush()
    for line in iter(f.readline, b""):
        print(line.decode().rstrip("\n"))
        if (cmd[1:].encode() in line) if cmd[0] == "?" else line.startswith((b"ok", b"error: ")):
            break
' "$RPORT" "$@" >"$DIR/talk" 2>&1
}
# camsim answers the tally packet with a syntax error: its status text comes as an event from the worker.
talk "select 2" subscribe "select 1" "request 45:1" "?event notify 1 45 1" status cameras "raw 8x 09 04 00 FF" \
  "tally 1 on" "?event status Err" quit
got=$(awk '!/^event notify/ || /^event notify 1 45 /' "$DIR/talk" | cut -c1-40 | tr '\n' '|')
[ "$got" = "ok Camera 2 selected|ok|ok Camera 1 selected|event status Camera 1 selected|event selected 1|\
ok request 45:1 put|event notify 1 45 1|ok Camera 1 selected|ok 2|camera 1 COM8 address 1 model 0x4B port=|\
camera 2 COM8 address 2 model 0x70 port=|error: raw packets are not allowed|ok tally 1 on put|\
event status Err Answer 60, COM8, Cam:1 |ok|" ] || fail "remote lines: $got"
has rc "-> 81 01 04 62 02 FF"
has rc "-> 81 01 7E 01 0A 00 02 FF"
get() {  # an HTTP GET of $1, the answer without its CRs
  python3 -c 'import socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=5)
s.sendall(b"GET " + sys.argv[2].encode() + b" HTTP/1.1\r\nHost: x\r\n\r\n")
print(s.makefile("rb").read().decode().replace("\r", ""))' "$RPORT" "$1" >"$DIR/http" 2>&1
}
get "/api?cmd=status"
has http "^HTTP/1.1 200 OK$"
has http "^ok Err Answer 60, COM8, Cam:1 p.Mode:80$"
# A request of its own acts on the camera selected in the list.
get "/api?cmd=freeze+off"
has http "^ok freeze off put$"
n=0; while ! grep -q -- "-> 81 01 04 62 03 FF" "$DIR/rc" && [ $n -lt 100 ]; do sleep 0.05; n=$((n + 1)); done
has rc "-> 81 01 04 62 03 FF"
# A move still running when its connection ends is stopped.
talk "select 2" "move 3 3"
drive() { grep -o -- "-> 82 01 06 01 .. .. .. .. FF" "$DIR/rc" | tail -1; }  # the move may give way to the stop
n=0; while [ "$(drive)" != "-> 82 01 06 01 01 01 03 03 FF" ] && [ $n -lt 100 ]; do sleep 0.05; n=$((n + 1)); done
[ $n -lt 100 ] || fail "a move of a closed connection: $(drive)"
kill $cli; wait $cli || fail "a listener stopped by SIGTERM gave exit status $?"

[ $FAILED -eq 0 ] && echo "PASS"
exit $FAILED
