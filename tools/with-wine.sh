#!/usr/bin/env bash
# Runs a command with a warm Wine prefix and a persistent wine server, so that each test
# program starts in a fraction of a second and nothing lingers on the test runner's pipes.
set -euo pipefail

# One prefix per checkout: two checkouts sharing a prefix (and its server) trip over each other.
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver

mkdir -p "$WINEPREFIX"
"$server" -p
"$wine" wineboot -u </dev/null >/dev/null 2>&1 || true
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true

status=0
"$@" || status=$?
"$server" -k || true
exit "$status"
