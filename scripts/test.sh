#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: once in a normal build and once
# under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

echo "== build"
scripts/build.sh build
echo "== tests"
ctest --test-dir build --output-on-failure -j 2

echo "== build with AddressSanitizer + UndefinedBehaviorSanitizer"
scripts/build.sh build-asan -DWL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
echo "== tests under the sanitizers"
ctest --test-dir build-asan --output-on-failure -j 2
