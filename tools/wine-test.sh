#!/usr/bin/env bash
# The Windows build run for real under Wine (Debian's wine64): the tests through ctest (the GUI
# tests on the offscreen platform), then korvelo-cli.exe reading a simulated radio served on a
# pseudo-terminal that the Wine prefix links as COM5 and as COM12 (opened as \\.\COM12). Each
# read must save the radio's tuning area and send and receive the same frames as a read by the
# Linux build.
#
# Given the installer (tools/package-windows.sh) and a folder for the logs, it then installs it
# silently and drives the installed korvelo.exe on Wine's real windows platform in a virtual X
# display (xvfb-run, started here when there is no display): --simulator, File > Tuning Init by
# the keyboard, the title naming the simulated radio, a screenshot, Alt+F4 and exit status 0; a
# double-clicked .tun file (the association) opening in it; --port COM5 reading the radio on
# the pseudo-terminal; last the silent uninstaller, which must remove the program's files and
# keep the user's data. Wine's own output goes to LOG_DIR/wine.log, the figures to
# LOG_DIR/windows-figures.txt.
#
#   tools/wine-test.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR [INSTALLER LOG_DIR]
#
# Wine does not enforce exclusive opening of a COM port, so the "in use" case is not tried
# here; the Windows code keeps it.
set -euo pipefail
if [[ -n "${3:-}" && -z "${DISPLAY:-}" ]]; then
  # A framebuffer file of the display, for the screenshot.
  KORVELO_FBDIR=$(mktemp -d)
  export KORVELO_FBDIR
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -fbdir $KORVELO_FBDIR" "$0" "$@"
fi
win=$(realpath "$1")
linux=$(realpath "$2")
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

# A cold prefix of our own, no debug chatter, no offer to install Mono or Gecko.
export WINEPREFIX="$win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
# The build's programs find Qt's DLLs, its plugins and the MinGW runtime where the build has them.
if [[ -f "$win/windows-deploy.txt" ]]; then
  qt=$(sed -n 's/^qt_prefix=//p' "$win/windows-deploy.txt")
  dirs="Z:$qt/bin"
  while read -r dll; do dirs+=";Z:$(dirname "$dll")"; done < <(sed -n 's/^runtime=//p' "$win/windows-deploy.txt")
  export WINEPATH="$dirs" QT_PLUGIN_PATH="Z:$qt/plugins"
fi
work=$(mktemp -d)
radio_pid=""
gui_pid=""
cleanup() {
  [[ -n "$gui_pid" ]] && kill "$gui_pid" 2>/dev/null
  # wineserver first: it has taken the pseudo-terminal as its controlling terminal and would
  # dump its state when the radio side hangs up.
  "$wineserver" -k >/dev/null 2>&1 || true
  [[ -n "$radio_pid" ]] && kill "$radio_pid" 2>/dev/null && wait "$radio_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "wine-test: $*" >&2; exit 1; }

[[ -d "$WINEPREFIX" ]] && "$wineserver" -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
# One server for the whole run; otherwise every test program pays Wine's start-up.
"$wineserver" -p >/dev/null 2>&1
"$wine" wineboot -i >/dev/null 2>&1
echo "Wine prefix ready"

# The prefix is the tests' own: the GUI tests may clear the program's keys in its registry.
KORVELO_SCRATCH_REGISTRY=1 ctest --test-dir "$win" --output-on-failure -j"$(nproc)"

# A radio whose tuning area is random, so that a read that returns anything else is caught.
{ printf 'TALVEX TUNER AK!'; head -c 256 /dev/urandom; } >"$work/radio.tun"
"$linux/sim/korvelo-radio-sim" --tun "$work/radio.tun" >"$work/radio.out" 2>&1 &
radio_pid=$!
for _ in $(seq 50); do
  [[ -s "$work/radio.out" ]] && break
  sleep 0.1
done
device=$(head -n1 "$work/radio.out")
[[ "$device" == /dev/* ]] || fail "the simulated radio did not start: $(cat "$work/radio.out")"
ln -sfn "$device" "$WINEPREFIX/dosdevices/com5"
ln -sfn "$device" "$WINEPREFIX/dosdevices/com12"

frames() { cut -d' ' -f2- "$1" | tr -d '\r'; }

# --no-record: a job of the alignment record reads the radio's identity after the tuning area;
# only the tuning area's frames are compared.
XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" \
  "$linux/cli/korvelo-cli" --port "$device" --trace "$work/linux.trace" --leave --no-record \
  read "$work/linux.tun" >/dev/null || fail "the Linux read failed"
# (Not COM5.tun: Windows takes that name for the port itself.)
for com in COM5 COM12; do
  out="$work/read-$com"
  "$wine" "$win/cli/korvelo-cli.exe" --port "$com" --trace "Z:$out.trace" --leave --no-record \
    read "Z:$out.tun" >"$out.log" 2>&1 || fail "korvelo-cli.exe --port $com read failed: $(cat "$out.log")"
  cmp "$work/radio.tun" "$out.tun" || fail "$com: the file is not the radio's tuning area"
  diff <(frames "$work/linux.trace") <(frames "$out.trace") ||
    fail "$com: the frames differ from the Linux read"
  echo "$com: read the radio's tuning area with the same $(wc -l <"$out.trace") frames as Linux"
done

# A pseudo-terminal has no USB IDs: the Doctor must say it is no cable (exit 1), as on Linux.
if "$wine" "$win/cli/korvelo-cli.exe" --port COM5 doctor >"$work/doctor.out"; then
  fail "korvelo-cli.exe doctor took a port without USB IDs for a cable: $(cat "$work/doctor.out")"
fi
grep -q "COM5 is not a Korvelo cable (no USB IDs)" "$work/doctor.out" ||
  fail "korvelo-cli.exe doctor gave no verdict on COM5: $(cat "$work/doctor.out")"
# Into a file, not a pipe: grep -q would close the pipe at its first match, and the program
# rightly reports output it could not write.
"$wine" "$win/cli/korvelo-cli.exe" --simulator info >"$work/info.out" ||
  fail "korvelo-cli.exe --simulator info failed: $(cat "$work/info.out")"
grep -q "FW Version" "$work/info.out" ||
  fail "korvelo-cli.exe --simulator info gave no firmware version"
echo "korvelo-cli.exe: doctor and the in-memory simulator work"

[[ -n "${3:-}" ]] || exit 0

# --- The installer, and the installed program on Wine's windows platform ---
# The installed program must run on what it brought along alone.
unset WINEPATH QT_PLUGIN_PATH
# Wine's errors and warnings, into the log below.
export WINEDEBUG=fixme-all
installer=$(realpath "$3")
mkdir -p "$4"
logs=$(realpath "$4")
winelog="$logs/wine.log"
figures="$logs/windows-figures.txt"
: >"$winelog"
: >"$figures"
figure() { echo "$*" | tee -a "$figures"; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

"$wine" "Z:${installer//\//\\}" /S >>"$winelog" 2>&1 || fail "the installer failed (see $winelog)"
app=$(find "$WINEPREFIX/drive_c/users" -maxdepth 6 -type d -path '*/AppData/Local/Programs/Korvelo' | head -n1)
[[ -n "$app" && -f "$app/korvelo.exe" && -f "$app/uninstall.exe" ]] ||
  fail "the installer put no korvelo.exe and uninstall.exe under AppData\\Local\\Programs\\Korvelo"
appwin='C:\users\'"$(basename "$(dirname "$(dirname "$(dirname "$(dirname "$app")")")")")"'\AppData\Local\Programs\Korvelo'
figure "Installed size: $(du -sk "$app" | cut -f1) KiB"

# The technician's name, which the first start asks for, as given before on this bench.
"$wine" reg add 'HKCU\Software\Korvelo\Korvelo\Record' /v Technician /d "Wine check" /f \
  >>"$winelog" 2>&1 || fail "could not write the technician's name into the registry"

# Starts the installed korvelo.exe and waits for its main window: gui_pid and gui_window.
gui_start() {
  local started
  started=$(now)
  "$wine" "$appwin\\korvelo.exe" "$@" >>"$winelog" 2>&1 &
  gui_pid=$!
  gui_child=1
  gui_window=$(timeout 120 xdotool search --sync --onlyvisible --name '^Korvelo' | head -n1) ||
    fail "korvelo.exe $* showed no window in 120 s (see $winelog)"
  started_in=$(since "$started")
}
# Waits until the window title matches the pattern; echoes the title.
gui_title() {
  local title=""
  for _ in $(seq 600); do
    title=$(xdotool getwindowname "$gui_window" 2>/dev/null || true)
    [[ "$title" =~ $1 ]] && { echo "$title"; return 0; }
    sleep 0.1
  done
  fail "the window title never matched '$1' (last: '$title'; see $winelog)"
}
gui_keys() {
  xdotool windowfocus --sync "$gui_window" 2>/dev/null || true
  for k in "$@"; do
    xdotool key --clearmodifiers "$k"
    sleep 0.5
  done
}
# Alt+F4, and the program must end with status 0.
gui_close() {
  gui_keys alt+F4
  local rc=0
  timeout 60 tail --pid="$gui_pid" -f /dev/null ||
    fail "korvelo.exe did not end after Alt+F4 (windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|'))"
  if ((gui_child)); then
    wait "$gui_pid" || rc=$?
  fi
  gui_pid=""
  ((rc == 0)) || fail "korvelo.exe ended with status $rc after Alt+F4"
}
# File > Tuning Init by the keyboard: Alt+F opens the menu, I is the item's letter.
tuning_init() {
  local pressed
  pressed=$(now)
  gui_keys alt+f i
  title=$(gui_title "$1")
  init_in=$(since "$pressed")
}
# Return answers the message box that says the radio was read.
ok_read() {
  sleep 1
  top_keys Return
}
# Keys to the newest window of the program (a message box above the main window).
top_keys() {
  local top
  top=$(xdotool search --onlyvisible --pid "$(pgrep -n -f 'korvelo\.exe')" 2>/dev/null | tail -n1 || true)
  [[ -n "$top" ]] && xdotool windowfocus --sync "$top" 2>/dev/null || true
  xdotool key --clearmodifiers "$@"
  sleep 0.5
}
radio_title='^Korvelo — .*(AK2347|CMX148).* — radio$'

gui_start --simulator
figure "Start to first window (--simulator): $started_in s"
tuning_init "$radio_title"
figure "Tuning Init on the simulated radio: $init_in s (title: $title)"
figure "Resident memory after Tuning Init: $(awk '/VmRSS/ { print $2, $3 }' "/proc/$gui_pid/status")"
if [[ -n "${KORVELO_FBDIR:-}" && -f "$KORVELO_FBDIR/Xvfb_screen0" ]]; then
  xwdtopnm "$KORVELO_FBDIR/Xvfb_screen0" 2>/dev/null | pnmtopng >"$logs/korvelo-simulator.png"
  echo "Screenshot: $logs/korvelo-simulator.png"
fi
ok_read
gui_close
echo "korvelo.exe --simulator: Tuning Init by the keyboard, closed by Alt+F4, exit status 0"

# A double-clicked .tun file opens in Korvelo: the association the installer made, followed as
# the shell follows it (.tun -> its ProgID -> the open command, %1 the file). Windows reads the
# user's own classes through HKEY_CLASSES_ROOT; Wine's HKEY_CLASSES_ROOT leaves them out, so its
# "start" finds no association for a per-user install and the command is run here as the shell
# would run it.
reg_default() {
  "$wine" reg query "$1" /ve 2>>"$winelog" | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p'
}
progid=$(reg_default 'HKCU\Software\Classes\.tun')
[[ -n "$progid" ]] || fail "the installer associated no ProgID with .tun files"
open_command=$(reg_default "HKCU\\Software\\Classes\\$progid\\shell\\open\\command")
[[ "$open_command" =~ ^\"([^\"]+)\"\ \"%1\"$ ]] ||
  fail "the open command of $progid is not '\"PROGRAM\" \"%1\"': '$open_command'"
[[ "${BASH_REMATCH[1],,}" == "${appwin,,}\\korvelo.exe" ]] ||
  fail "the open command of $progid runs ${BASH_REMATCH[1]}, not the installed korvelo.exe"
cp "$work/radio.tun" "$work/bench radio.tun"
gui_start "Z:${work//\//\\}\\bench radio.tun"
title=$(gui_title '^Korvelo — .* — .*bench radio\.tun$')
echo "korvelo.exe opened the double-clicked file: $title"
gui_close

# The installed program reads the radio on the pseudo-terminal linked as COM5.
gui_start --port COM5 --trace "Z:${work//\//\\}\\gui-com5.trace"
tuning_init "$radio_title"
figure "Tuning Init on COM5 (pseudo-terminal radio): $init_in s (title: $title)"
ok_read
gui_close
[[ -s "$work/gui-com5.trace" ]] || fail "korvelo.exe --port COM5 traced no frames"
echo "korvelo.exe --port COM5: read the radio ($(wc -l <"$work/gui-com5.trace") frames)"

# The uninstaller (it runs from a copy of its own) removes the program and keeps the data.
data=$(find "$WINEPREFIX/drive_c/users" -maxdepth 5 -type d -path '*/AppData/Roaming/Korvelo' | head -n1)
"$wine" "$appwin\\uninstall.exe" /S >>"$winelog" 2>&1 || fail "the uninstaller failed"
for _ in $(seq 600); do
  [[ -e "$app" ]] || break
  sleep 0.1
done
[[ ! -e "$app" ]] || fail "the uninstaller left: $(cd "$app" && find . -mindepth 1 | head)"
[[ -z "$data" || -d "$data" ]] || fail "the uninstaller removed the user's data ($data)"
kept=""
[[ -n "$data" ]] && kept=" and kept the user's data"
echo "uninstall.exe /S removed the program's files$kept"
