#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program on a simulated recorder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
exec build/wl8806n --demo "$@"
