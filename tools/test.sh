#!/usr/bin/env bash
# Installs what is needed, builds everything, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh test
BUILD_DIR=${BUILD_DIR:-build} tools/build.sh -DKORVELO_WERROR=ON
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j"$(nproc)"
