#!/usr/bin/env bash
# The Windows packages from a cross build made with the Qt toolchain for MinGW (see README,
# "Windows"): the folder windeployqt would lay out (the programs, the Qt DLLs they and their
# plugins load, the platform, style, SQL, image-format and icon-engine plugins, the MinGW runtime
# DLLs), plus the manual and the limits files; then, in OUT_DIR,
#   Korvelo-<version>-win64.zip        the portable folder, zipped
#   Korvelo-Setup-<version>-win64.exe  the NSIS installer (res/windows/korvelo.nsi)
#
#   tools/package-windows.sh BUILD_DIR OUT_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:?usage: tools/package-windows.sh BUILD_DIR OUT_DIR}")
out=${2:?usage: tools/package-windows.sh BUILD_DIR OUT_DIR}
mkdir -p "$out"
out=$(realpath "$out")
fail() { echo "package-windows: $*" >&2; exit 1; }

deploy="$build/windows-deploy.txt"
[[ -f "$deploy" ]] || fail "$build is not a Windows build with Qt (no windows-deploy.txt)"
qt=$(sed -n 's/^qt_prefix=//p' "$deploy")
version=$(sed -n 's/^version=//p' "$deploy")
mapfile -t runtime < <(sed -n 's/^runtime=//p' "$deploy")
for exe in gui/korvelo.exe cli/korvelo-cli.exe; do
  [[ -f "$build/$exe" ]] || fail "$build/$exe is not built"
done
objdump=x86_64-w64-mingw32-objdump
strip=x86_64-w64-mingw32-strip

name="Korvelo-$version-win64"
stage="$out/$name"
rm -rf "$stage"
mkdir -p "$stage"

cp "$build/gui/korvelo.exe" "$build/cli/korvelo-cli.exe" "$stage/"
# The plugins a Qt Widgets program with SVG icons and the SQLite record needs on Windows.
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll sqldrivers/qsqlite.dll
  imageformats/qsvg.dll imageformats/qico.dll iconengines/qsvgicon.dll)
for p in "${plugins[@]}"; do
  [[ -f "$qt/plugins/$p" ]] || fail "the Qt toolchain has no plugin $p"
  mkdir -p "$stage/$(dirname "$p")"
  cp "$qt/plugins/$p" "$stage/$p"
done

# Every DLL the programs and plugins load, found as Windows would beside the program: Qt's own
# and the MinGW runtime, followed through their own imports. System DLLs are left to Windows.
declare -A where=()
for dll in "$qt"/bin/*.dll "${runtime[@]}"; do
  where["$(basename "$dll" | tr '[:upper:]' '[:lower:]')"]=$dll
done
queue=("$stage"/*.exe)
for p in "${plugins[@]}"; do queue+=("$stage/$p"); done
declare -A copied=()
while ((${#queue[@]})); do
  file=${queue[0]}
  queue=("${queue[@]:1}")
  while read -r dll; do
    key=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
    [[ -n "${where[$key]:-}" && -z "${copied[$key]:-}" ]] || continue
    copied[$key]=1
    cp "${where[$key]}" "$stage/"
    queue+=("$stage/$(basename "${where[$key]}")")
  done < <("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
done
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll Qt6Core.dll Qt6Widgets.dll; do
  [[ -f "$stage/$dll" ]] || fail "$dll was not found among the programs' imports"
done
"$strip" --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll

mkdir -p "$stage/manual" "$stage/limits"
cp "$root"/res/manual/*.html "$root"/res/manual/*.css "$stage/manual/"
cp "$root"/res/limits/*.json "$stage/limits/"
cp "$build/res/korvelo.ico" "$stage/"
sed 's/$/\r/' "$root/README.md" >"$stage/README.txt"

# The portable zip: the folder itself, to unpack anywhere and run korvelo.exe.
zip=$out/$name.zip
rm -f "$zip"
(cd "$out" && zip -qr9 "$zip" "$name")

# The installer: every file of the folder, and the uninstaller removes exactly those.
setup=$out/Korvelo-Setup-$version-win64.exe
(cd "$stage" && find . -type d ! -name . | sed 's|^\./||' | sort) >"$out/dirs.txt"
(cd "$stage" && find . -type f | sed 's|^\./||' | sort) >"$out/files.txt"
{
  while read -r d; do printf 'CreateDirectory "$INSTDIR\\%s"\n' "${d//\//\\}"; done <"$out/dirs.txt"
  while read -r f; do
    dir=$(dirname "$f")
    [[ "$dir" == . ]] && dir="" || dir="\\${dir//\//\\}"
    printf 'SetOutPath "$INSTDIR%s"\nFile "%s"\n' "$dir" "$stage/$f"
  done <"$out/files.txt"
} >"$out/install-files.nsh"
{
  while read -r f; do printf 'Delete "$INSTDIR\\%s"\n' "${f//\//\\}"; done <"$out/files.txt"
  sort -r "$out/dirs.txt" | while read -r d; do printf 'RMDir "$INSTDIR\\%s"\n' "${d//\//\\}"; done
} >"$out/uninstall-files.nsh"
installed_kb=$(du -sk "$stage" | cut -f1)
makensis -V2 -NOCD -DVERSION="$version" -DOUTFILE="$setup" -DINSTALLED_KB="$installed_kb" \
  -DFILES="$out/install-files.nsh" -DUNFILES="$out/uninstall-files.nsh" \
  -DICON="$stage/korvelo.ico" "$root/res/windows/korvelo.nsi"
rm -f "$out/dirs.txt" "$out/files.txt" "$out/install-files.nsh" "$out/uninstall-files.nsh"

printf 'package-windows: %s (%s KiB installed)\n' "$stage" "$installed_kb"
ls -l "$zip" "$setup"
