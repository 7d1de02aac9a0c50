#!/usr/bin/env bash
# Installs the Debian package into a clean folder (dpkg -x, no root needed), checks that its
# files are in their places and that it depends on the Qt 6 runtime, and starts its programs.
#   tools/check-package.sh out/korvelo_<version>_amd64.deb
set -euo pipefail
deb=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

dpkg -x "$deb" "$root"
for f in usr/bin/korvelo usr/bin/korvelo-cli usr/bin/korvelo-radio-sim \
  usr/share/korvelo/manual/Korvelo.html usr/share/korvelo/manual/connection-doctor.html \
  usr/share/applications/korvelo.desktop usr/share/icons/hicolor/scalable/apps/korvelo.svg \
  usr/lib/udev/rules.d/60-korvelo.rules usr/share/korvelo/sql/bench-role.sql; do
  [[ -f "$root/$f" ]] || fail "$f is not in the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6core6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins libqt6sql6-sqlite; do
  grep -q "$p" <<<"$depends" || fail "the package does not depend on $p: $depends"
done
"$root/usr/bin/korvelo" --version
"$root/usr/bin/korvelo-cli" --help >/dev/null
"$root/usr/bin/korvelo-cli" udev-rule | cmp - "$root/usr/lib/udev/rules.d/60-korvelo.rules" ||
  fail "korvelo-cli udev-rule differs from the rule the package installs"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, $(dpkg-deb -c "$deb" | wc -l) entries; installs and starts"
