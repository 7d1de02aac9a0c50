#!/usr/bin/env bash
# Installs what is needed, builds, and starts Korvelo on the built-in simulated radio.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
tools/build.sh -DKORVELO_TESTS=OFF -DKORVELO_BENCH=OFF
if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]] && command -v xvfb-run >/dev/null; then
  echo "No display: starting under xvfb-run" >&2
  exec xvfb-run -a build/gui/korvelo --simulator "$@"
fi
exec build/gui/korvelo --simulator "$@"
