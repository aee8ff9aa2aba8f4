#!/usr/bin/env bash
# Installs the OAuth 2 token server used by the sign-in tests (tests/ui/oauth_server)
# exactly as pinned by its committed package-lock.json.
set -euo pipefail
cd "$(dirname "$0")/../tests/ui/oauth_server"
if ! command -v npm >/dev/null 2>&1; then
    echo "npm is missing: install the Debian packages nodejs and npm (scripts/install-deps.sh)" >&2
    exit 1
fi
npm ci --no-audit --no-fund
