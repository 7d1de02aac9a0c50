#!/usr/bin/env bash
# Installs what Korvelo needs to build, run and test on Debian 12 (run as root, or with sudo
# available). Extra package groups: "test" adds the PostgreSQL server and pdftotext the record's
# tests use (without them those tests skip and say why); "ci" adds those and the sanitizer,
# fuzzing and cross-build tools, Wine, which runs the Windows build, and what makes the Windows
# packages (the icon, the zip, the NSIS installer) and the screenshot of the Windows window.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev qt6-base-dev-tools
  libqt6sql6-sqlite libqt6sql6-psql libpq-dev
  libgl-dev fonts-dejavu-core
  googletest libgtest-dev libgmock-dev libbenchmark-dev
)
if [[ "${1:-}" == "test" || "${1:-}" == "ci" ]]; then
  packages+=(postgresql poppler-utils)
fi
if [[ "${1:-}" == "ci" ]]; then
  packages+=(clang libclang-rt-14-dev g++-mingw-w64-x86-64-posix clang-format xvfb xauth wine64
    librsvg2-bin icoutils zip nsis xdotool netpbm ccache)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
