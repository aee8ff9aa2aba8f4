#!/usr/bin/env bash
# Builds everything and runs every test. Usage: scripts/test.sh [--asan|--tsan] [extra ctest args]
# Installs the Debian packages first (needs root or sudo), so it works on a fresh Debian 12 machine.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=default
case "${1:-}" in
  --asan) preset=asan; shift ;;
  --tsan) preset=tsan; shift ;;
esac

bash scripts/install-deps.sh
if [ -f scripts/install-test-node-modules.sh ]; then
  bash scripts/install-test-node-modules.sh
fi

# Private runtime folder and data folder so the tests never touch the user's own settings or logs.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"

jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset "$preset"
cmake --build --preset "$preset" -j"$jobs"
# A failing run ends with the lines that say why, gathered from every test's output: a long log is mostly
# read from its end.
if ! ctest --preset "$preset" -j"$jobs" --timeout 300 "$@"; then
  build=build
  [ "$preset" = default ] || build=build-$preset
  echo "=== Why the tests failed ($preset) ==="
  awk '/^[0-9]+\/[0-9]+ Testing: / { test = $3 }
       /FAIL!|^ *Loc: |ERROR: (Address|Leak)Sanitizer|WARNING: ThreadSanitizer|^SUMMARY: |Received a fatal error|Totals: .* [1-9][0-9]* failed|^Test Failed/ {
         print test ": " $0 }' "$build/Testing/Temporary/LastTest.log" | head -80 || true
  exit 1
fi
