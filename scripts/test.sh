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
ctest --preset "$preset" -j"$jobs" --timeout 300 "$@"
