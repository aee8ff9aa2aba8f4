#!/usr/bin/env bash
# Placeholder until the simulated unit lands: builds and starts the app.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default -j"$(nproc)"
exec build/bin/VYRA_Control_App "$@"
