#!/usr/bin/env bash
# Runs a command with a private X server (Xvfb) as its display, and stops
# the server and the project Wine prefix's processes afterwards, so that a
# test run leaves nothing behind. Windowed Windows tests need the display.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}

display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "with-xvfb: no free display number" >&2; exit 1; }

Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

cleanup() {
  # Wine processes of a previous display would keep using it: end them all.
  wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb" >/dev/null 2>&1 || true
  wait "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
# A Wine desktop started earlier without this display can't make windows.
wineserver -k >/dev/null 2>&1 || true
DISPLAY=":$display" "$@"
