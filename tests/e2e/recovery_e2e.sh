#!/usr/bin/env bash
# The end-to-end recovery cases: a camsim of this run's own takes COM2's link
# from the session's (tools/lib/wine.sh), unplugs the line at 20 s and plugs it
# back at 23 s, and switches its camera off from 35 s to 38 s; the session's
# camsim gets the link back afterwards.
#   recovery_e2e.sh WINE-RUN E2E-TEST-EXE ORVALIX-EXE
set -u
: "${ORVALIX_COM2_LINK:?run in the Wine session of tools/test}" "${ORVALIX_CAMSIM:?}"
run=$1 test=$2 program=$3
session=$(readlink "$ORVALIX_COM2_LINK")
dir=$(mktemp -d)
"$ORVALIX_CAMSIM" --profile fast --transcript "$dir/transcript.txt" --line 0x5F --link "$ORVALIX_COM2_LINK" \
  --fault unplug=20:23 --fault cam1:power-off=35:38 --duration 120 >"$dir/camsim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do grep -q '^line 1:' "$dir/camsim.out" && break; sleep 0.1; done
ORVALIX_CAMSIM_TRANSCRIPT="Z:$dir/transcript.txt" "$run" "$test" "$program" --gtest_filter='OrvalixRecovery.*'
status=$?
kill "$sim" 2>/dev/null
wait "$sim" 2>/dev/null
ln -sfn "$session" "$ORVALIX_COM2_LINK"
rm -rf "$dir"
exit "$status"
