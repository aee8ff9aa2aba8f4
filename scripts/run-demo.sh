#!/usr/bin/env bash
# Starts a simulated VYRA unit on this machine and the control application connected to it.
# Usage: scripts/run-demo.sh [options of vyra_simulated_unit, e.g. --name "Cinema" --seats 2]
# The unit stops when the application exits (or on Ctrl+C).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${VYRA_DEMO_BUILD_DIR:-build} # another build folder, e.g. for a second checkout
unit_bin=$build/bin/vyra_simulated_unit
app_bin=$build/bin/VYRA_Control_App
log=$build/simulated-unit.log

bash scripts/install-deps.sh
if [ ! -f "$build/CMakeCache.txt" ]; then
  if [ "$build" = build ]; then
    cmake --preset default # the same build folder and generator as scripts/test.sh
  else
    cmake -S . -B "$build"
  fi
fi
# Only what the demo runs; up-to-date targets cost a second. A failed build of the application still
# leaves the unit to try (and an older application binary, if there is one).
cmake --build "$build" -j2 --target vyra_simulated_unit VYRA_Control_App || echo "run-demo: the build failed" >&2
if [ ! -x "$unit_bin" ]; then
  echo "run-demo: $unit_bin was not built" >&2
  exit 1
fi

"$unit_bin" "$@" >"$log" 2>&1 &
unit_pid=$!
stop_unit() {
  if kill -0 "$unit_pid" 2>/dev/null; then
    kill -TERM "$unit_pid" 2>/dev/null || true
    wait "$unit_pid" 2>/dev/null || true
  fi
}
trap stop_unit EXIT
trap 'exit 130' INT TERM

# Let the unit boot first: an application that hears "initializing" keeps showing "VYRA Initializing"
# until it reconnects. A second unit on the same port fails here.
for _ in $(seq 1 40); do
  grep -q 'mediaIdState="configuring"\|Unit stopped' "$log" 2>/dev/null && break
  kill -0 "$unit_pid" 2>/dev/null || break
  sleep 0.25
done
if ! kill -0 "$unit_pid" 2>/dev/null; then
  echo "run-demo: the simulated unit did not start:" >&2
  tail -n 20 "$log" >&2
  exit 1
fi
echo "run-demo: simulated unit running (pid $unit_pid), log in $log"

if [ ! -x "$app_bin" ]; then
  echo "run-demo: $app_bin is missing; the unit keeps running until Ctrl+C." >&2
  wait "$unit_pid"
  exit 0
fi
"$app_bin" -a 127.0.0.1
