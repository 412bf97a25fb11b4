#!/usr/bin/env bash
# Runs a command with a warm Wine prefix and a persistent wine server, so that each test
# program starts in a fraction of a second and nothing lingers on the test runner's pipes.
# Without a display it starts a virtual one (Xvfb) for the window tests and the program.
set -euo pipefail

# One prefix per checkout: two checkouts sharing a prefix (and its server) trip over each other.
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver

xvfb_pid=""
stop_display() {
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap stop_display EXIT

# The display must exist before the server's first programs start: they keep the one they met.
if [[ -z "${DISPLAY:-}" ]] && command -v Xvfb >/dev/null; then
    number_file="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [[ -s "$number_file" ]] && break
        sleep 0.1
    done
    DISPLAY=":$(head -n 1 "$number_file")"
    export DISPLAY
    rm -f "$number_file"
fi

mkdir -p "$WINEPREFIX"
"$server" -p
"$wine" wineboot -u </dev/null >/dev/null 2>&1 || true
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true

status=0
"$@" || status=$?
"$server" -k || true
exit "$status"
