#!/usr/bin/env bash
# Start-up of `korvelo --simulator`: the time from starting the program until its main window is
# mapped on the screen, and the resident memory one second later. Runs under xvfb-run when there
# is no display.
#   bench/startup.sh [path/to/korvelo] (RUNS=5 by default)
set -euo pipefail
bin=${1:-build/gui/korvelo}
runs=${RUNS:-5}
if [[ -z "${DISPLAY:-}" ]]; then
  exec xvfb-run -a "$0" "$@"
fi
command -v xwininfo >/dev/null || { echo "startup.sh needs xwininfo (x11-utils)" >&2; exit 2; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

export XDG_CONFIG_HOME=$(mktemp -d) # keep the user's profile out of it
trap 'rm -rf "$XDG_CONFIG_HOME"' EXIT

printf '%-4s %10s %10s\n' run shown_ms rss_MiB
for ((i = 1; i <= runs; i++)); do
  start=$(now_ms)
  "$bin" --simulator >/dev/null 2>&1 &
  pid=$!
  until xwininfo -name Korvelo 2>/dev/null | grep -q 'Map State: IsViewable'; do
    kill -0 "$pid" 2>/dev/null || { echo "korvelo ended before its window showed" >&2; exit 1; }
    sleep 0.005
  done
  shown=$(( $(now_ms) - start ))
  sleep 1
  rss_kb=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  printf '%-4s %10d %10.1f\n' "$i" "$shown" "$(echo "$rss_kb / 1024" | bc -l)"
done
