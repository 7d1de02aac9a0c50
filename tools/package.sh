#!/usr/bin/env bash
# Builds the Debian package (korvelo_<version>_amd64.deb) and the source archive
# (korvelo-<version>.tar.gz) into out/. Uses the build folder BUILD_DIR (default: build), made
# as tools/build.sh makes it when it is not there yet.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
[[ -f "$build/CMakeCache.txt" ]] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target korvelo korvelo-cli korvelo-radio-sim
mkdir -p out
(cd "$build" && cpack -G DEB -B "$OLDPWD/out" && cpack --config CPackSourceConfig.cmake -B "$OLDPWD/out")
rm -rf out/_CPack_Packages
ls -l out/korvelo*
