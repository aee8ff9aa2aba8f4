#!/usr/bin/env bash
# Installs the OAuth 2 token server used by the sign-in tests (tests/ui/oauth_server)
# exactly as pinned by its committed package-lock.json. Brings node and npm from
# Debian first when the machine has none.
set -euo pipefail
cd "$(dirname "$0")/../tests/ui/oauth_server"
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends nodejs npm
fi
if [ -d node_modules/@node-oauth/oauth2-server ] && [ node_modules/.package-lock.json -nt package-lock.json ]; then
    echo "install-test-node-modules: up to date"
    exit 0
fi
npm ci --no-audit --no-fund
