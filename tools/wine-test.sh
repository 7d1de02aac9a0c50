#!/usr/bin/env bash
# The Windows build run for real under Wine (Debian's wine64): the core tests through ctest,
# then korvelo-cli.exe reading a simulated radio served on a pseudo-terminal that the Wine
# prefix links as COM5 and as COM12 (opened as \\.\COM12). Each read must save the radio's
# tuning area and send and receive the same frames as a read by the Linux build.
#
#   tools/wine-test.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR
#
# Wine does not enforce exclusive opening of a COM port, so the "in use" case is not tried
# here; the Windows code keeps it.
set -euo pipefail
win=$(realpath "$1")
linux=$(realpath "$2")
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

# A cold prefix of our own, no debug chatter, no offer to install Mono or Gecko.
export WINEPREFIX="$win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
work=$(mktemp -d)
radio_pid=""
cleanup() {
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

ctest --test-dir "$win" --output-on-failure -j"$(nproc)"

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

# --no-record: the Linux build keeps a job of the alignment record, which reads the radio's
# identity after the tuning area; the Windows build (no Qt) keeps none.
XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" \
  "$linux/cli/korvelo-cli" --port "$device" --trace "$work/linux.trace" --leave --no-record \
  read "$work/linux.tun" >/dev/null || fail "the Linux read failed"
# (Not COM5.tun: Windows takes that name for the port itself.)
for com in COM5 COM12; do
  out="$work/read-$com"
  "$wine" "$win/cli/korvelo-cli.exe" --port "$com" --trace "Z:$out.trace" --leave \
    read "Z:$out.tun" >"$out.log" 2>&1 || fail "korvelo-cli.exe --port $com read failed: $(cat "$out.log")"
  cmp "$work/radio.tun" "$out.tun" || fail "$com: the file is not the radio's tuning area"
  diff <(frames "$work/linux.trace") <(frames "$out.trace") ||
    fail "$com: the frames differ from the Linux read"
  echo "$com: read the radio's tuning area with the same $(wc -l <"$out.trace") frames as Linux"
done

"$wine" "$win/cli/korvelo-cli.exe" --port COM5 doctor >"$work/doctor.out" ||
  fail "korvelo-cli.exe doctor found no usable port: $(cat "$work/doctor.out")"
# Into a file, not a pipe: grep -q would close the pipe at its first match, and the program
# rightly reports output it could not write.
"$wine" "$win/cli/korvelo-cli.exe" --simulator info >"$work/info.out" ||
  fail "korvelo-cli.exe --simulator info failed: $(cat "$work/info.out")"
grep -q "FW Version" "$work/info.out" ||
  fail "korvelo-cli.exe --simulator info gave no firmware version"
echo "korvelo-cli.exe: doctor and the in-memory simulator work"
