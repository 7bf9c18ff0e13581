#!/usr/bin/env bash
# The end-to-end cases with a camsim of this run's own on COM2's link, in
# place of the session's (tools/lib/wine.sh): its cameras MODELS, then camsim's
# further arguments (faults); the session's camsim gets the link back afterwards.
#   com2_e2e.sh WINE-RUN E2E-TEST-EXE ORVALIX-EXE GTEST-FILTER MODELS [CAMSIM-ARG...]
set -u
: "${ORVALIX_COM2_LINK:?run in the Wine session of tools/test}" "${ORVALIX_CAMSIM:?}"
run=$1 test=$2 program=$3 filter=$4 models=$5
shift 5
session=$(readlink "$ORVALIX_COM2_LINK")
dir=$(mktemp -d)
"$ORVALIX_CAMSIM" --profile fast --transcript "$dir/transcript.txt" --line "$models" --link "$ORVALIX_COM2_LINK" "$@" \
  --duration 120 >"$dir/camsim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do grep -q '^line 1:' "$dir/camsim.out" && break; sleep 0.1; done
ORVALIX_CAMSIM_TRANSCRIPT="Z:$dir/transcript.txt" "$run" "$test" "$program" --gtest_filter="$filter"
status=$?
kill "$sim" 2>/dev/null
wait "$sim" 2>/dev/null
ln -sfn "$session" "$ORVALIX_COM2_LINK"
rm -rf "$dir"
exit "$status"
