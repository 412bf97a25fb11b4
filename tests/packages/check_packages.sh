#!/usr/bin/env bash
# Checks what `cmake --workflow --preset package` made, as a user would meet it: the Debian
# package installs with dpkg into a scratch root and holds exactly the program, its desktop
# entry (valid), icon, manual page and README with its pictures; the program it installs
# converts the sample skins; the Windows .zip holds the program and a plain-text README for
# artists, and the program runs under Wine.
#
# Run it inside tools/with-wine.sh, which provides the Wine prefix and server:
#   bash tools/with-wine.sh bash tests/packages/check_packages.sh build/package samples
set -euo pipefail

if (($# != 2)); then
    echo "usage: $0 <package build tree> <folder of sample skins>" >&2
    exit 2
fi
tree="$(realpath "$1")"
samples="$(realpath "$2")"
wine=/usr/lib/wine/wine64
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

only_file() {
    local found
    mapfile -t found < <(compgen -G "$tree/$1" || true)
    if ((${#found[@]} != 1)) || [[ ! -f "${found[0]}" ]]; then
        echo "FAIL: expected one $1 in $tree" >&2
        exit 1
    fi
    echo "${found[0]}"
}
deb="$(only_file 'skinremap_*_*.deb')"
zip="$(only_file 'skinremap-*-windows-x64.zip')"
version="$(dpkg-deb --field "$deb" Version)"

# ---- The Debian package ----------------------------------------------------------------

[[ "$(dpkg-deb --field "$deb" Package)" == skinremap ]] || fail "package name"
[[ "$(dpkg-deb --field "$deb" Section)" == graphics ]] || fail "section"
[[ "$(dpkg-deb --field "$deb" Depends)" == *libfltk1.3* ]] || fail "no dependency on FLTK"
expected_files="./usr/bin/skinremap
./usr/libexec/skinremap/skinremap-window.so
./usr/share/applications/skinremap.desktop
./usr/share/doc/skinremap/README.md
./usr/share/doc/skinremap/docs/dithering.png
./usr/share/doc/skinremap/docs/preview.png
./usr/share/doc/skinremap/docs/window.png
./usr/share/icons/hicolor/64x64/apps/skinremap.png
./usr/share/man/man1/skinremap.1.gz"
files="$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)"
[[ "$files" == "$expected_files" ]] || {
    fail "the package's files differ from the expected list"
    diff <(echo "$expected_files") <(echo "$files") >&2 || true
}

# Installed into an empty scratch root: the dependencies are the real system's business.
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-not-root -i "$deb" >"$work/dpkg.log" 2>&1 ||
    fail "dpkg -i into a scratch root: $(cat "$work/dpkg.log")"
dpkg --root="$root" -s skinremap 2>/dev/null | grep -q '^Status: install ok installed' ||
    fail "dpkg does not list the package as installed"
program="$root/usr/bin/skinremap"
[[ "$("$program" --version)" == "skinremap $version" ]] || fail "--version of the installed program"
desktop-file-validate "$root/usr/share/applications/skinremap.desktop" ||
    fail "desktop-file-validate"
grep -qx 'Exec=skinremap --choose-folder %f' "$root/usr/share/applications/skinremap.desktop" ||
    fail "the desktop entry does not pass the folder to the program"
manual="$(zcat "$root/usr/share/man/man1/skinremap.1.gz")"
[[ "$manual" == ".TH SKINREMAP 1 \"\" \"skinremap $version\""* ]] || fail "manual page heading"
if command -v groff >/dev/null; then
    warnings="$(groff -man -ww -z -Tutf8 <<<"$manual" 2>&1)"
    [[ -z "$warnings" ]] || fail "manual page: $warnings"
fi

# The installed program over a copy of the samples, from elsewhere, as `skinremap FOLDER`.
cp -R "$samples" "$work/skins"
(cd / && env -u DISPLAY "$program" "$work/skins" >"$work/run.log" 2>&1) ||
    fail "the installed program's run: $(cat "$work/run.log")"
grep -q ' converted, ' "$work/run.log" || fail "the installed program reported no summary"
diff -rq "$samples" "$work/skins" >/dev/null && fail "the installed program converted nothing"
# With a display named (even one that is not there), it loads its window from its own folder.
loads="$(cd / && DISPLAY=:4321 LD_DEBUG=files "$program" --dry-run "$work/skins" 2>&1 || true)"
grep -q 'libexec/skinremap/skinremap-window.so .*generating link map' <<<"$loads" ||
    fail "the installed program did not load its window module"

# ---- The Windows .zip ------------------------------------------------------------------

listing="$(python3 -m zipfile -l "$zip" | awk 'NR > 1 { print $1 }' | sort)"
top="$(basename "$zip" .zip)"
[[ "$listing" == "$top/README.txt"$'\n'"$top/skinremap.exe" ]] ||
    fail "the .zip holds: ${listing//$'\n'/ }"
python3 -m zipfile -e "$zip" "$work/zip"
readme="$work/zip/$top/README.txt"
[[ "$(head -c 200 "$readme" | grep -c $'\r$')" -gt 0 ]] || fail "README.txt lacks Windows line ends"
[[ "$(head -n 1 "$readme" | tr -d '\r')" == "skinremap $version for Windows" ]] ||
    fail "README.txt is not the artists' README of this version"
grep -q 'drag the folder of skins onto skinremap.exe' "$readme" || fail "README.txt says nothing of dragging"
exe="$work/zip/$top/skinremap.exe"
seen="$("$wine" "$exe" --version | tr -d '\r')" || fail "the .zip's program did not run"
[[ "$seen" == "skinremap $version" ]] || fail "the .zip's program says '$seen'"
code=0
"$wine" "$exe" --frobnicate >/dev/null 2>&1 || code=$?
[[ "$code" == 2 ]] || fail "the .zip's program refused an unknown option with $code, not 2"

if ((failures)); then
    echo "package check: $failures failure(s)" >&2
    exit 1
fi
echo "package check: $(basename "$deb") and $(basename "$zip") passed"
