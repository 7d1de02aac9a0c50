#!/usr/bin/env bash
# Unpacks the Qt 6.4.2 toolchain for MinGW-w64 (made by ../shared/tools/build-qt-mingw.sh) into a
# build folder and prints the Qt prefix for -DKORVELO_QT_PREFIX. Nothing is done when the folder
# already holds the same archive (same SHA-256).
#
#   tools/unpack-qt-mingw.sh BUILD_DIR [ARCHIVE]
#
# ARCHIVE defaults to $KORVELO_QT_MINGW_ARCHIVE, else ../shared/toolchains/qt6.4.2-mingw64-posix.tar.xz
# beside the source tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: tools/unpack-qt-mingw.sh BUILD_DIR [ARCHIVE]}
archive=${2:-${KORVELO_QT_MINGW_ARCHIVE:-$root/../shared/toolchains/qt6.4.2-mingw64-posix.tar.xz}}
[[ -f "$archive" ]] || { echo "unpack-qt-mingw: no Qt toolchain archive at $archive" >&2; exit 1; }

mkdir -p "$build"
dest=$(cd "$build" && pwd)/qt-mingw
sum=$(sha256sum "$archive" | cut -d' ' -f1)
if [[ ! -f "$dest/.sha256" || "$(cat "$dest/.sha256")" != "$sum" ]]; then
  rm -rf "$dest"
  mkdir -p "$dest"
  tar -xJf "$archive" -C "$dest"
  echo "$sum" >"$dest/.sha256"
  echo "unpack-qt-mingw: unpacked $(basename "$archive") into $dest" >&2
fi
# The archive holds one top folder: the prefix.
prefix=$(find "$dest" -mindepth 1 -maxdepth 1 -type d | head -n1)
[[ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ]] || { echo "unpack-qt-mingw: no Qt6Config.cmake in $prefix" >&2; exit 1; }
echo "$prefix"
