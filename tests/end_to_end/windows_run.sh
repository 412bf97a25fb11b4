#!/usr/bin/env bash
# The Windows program end to end under Wine: it converts a folder of skins to exactly the
# bytes the native build writes, shows the window as laid out, leaves hidden files alone,
# reports a read-only skin and a missing palette in message boxes, and ends through its
# window (close box: 0, "Quit": 1, no palette: 2). Its command line: a folder dropped on it
# (names from outside the system's code page too), a file dropped on it, -o DIR, and
# --help and --version both from a command prompt and from Explorer; --preview, --dry-run,
# --dither (both ways) and --export-palette write what the native build writes, to the byte.
#
# Run it inside tools/with-wine.sh, which provides the display, the prefix and the server:
#   bash tools/with-wine.sh bash tests/end_to_end/windows_run.sh \
#       <skinremap.exe> <window_probe.exe> <native skinremap> <folder of skins>
set -euo pipefail

if (($# != 4)); then
    echo "usage: $0 <skinremap.exe> <window_probe.exe> <native skinremap> <folder of skins>" >&2
    exit 2
fi
wine=/usr/lib/wine/wine64
program="$(realpath "$1")"
probe="$(realpath "$2")"
native="$(realpath "$3")"
skins="$(realpath "$4")"
layout="$(dirname "$(realpath "$0")")/../data/window_layout.txt"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

copy_skins() {
    mkdir -p "$1"
    cp -R "$skins/." "$1/"
}

# A path as Windows sees it: Wine shows the Linux root as drive Z:.
windows_path() {
    local path
    path="$(realpath "$1")"
    echo "Z:${path//\//\\}"
}

# Runs the Windows program in a folder while the probe waits for the end of the run in the
# window and then takes `action` (close or quit); checks the exit code and keeps what the
# probe saw. With a fourth argument, a message box with that text must come first, and the
# box that ends the batch must then list the fifth; the probe answers both.
run_windowed() {
    local folder="$1" action="$2" expected="$3" box="${4:-}" listed="${5:-}"
    (cd "$folder" && exec timeout 120 "$wine" "$program") &
    local pid=$!
    if [[ -n "$box" ]]; then
        local seen
        seen="$("$wine" "$probe" box 60000 | tr -d '\r')" || fail "$action: no message box"
        [[ "$seen" == "box|Error|$box" ]] || fail "$action: box showed '$seen'"
        sleep 1
        seen="$("$wine" "$probe" box 60000 | tr -d '\r')" || fail "$action: no box at the end"
        [[ "$seen" == "box|Files left as they were|These files were left as they were:"$'\n'"$listed" ]] ||
            fail "$action: the box at the end showed '$seen'"
    fi
    "$wine" "$probe" window 60000 "Remapping: done." "$action" | tr -d '\r' >"$folder.seen" ||
        fail "$action: the window never showed the end of the run"
    local code=0
    wait "$pid" || code=$?
    [[ "$code" == "$expected" ]] || fail "$action: exit code $code, expected $expected"
}

# Waits for the end of the run in the window, closes it, and checks that the program
# started as `pid` ends with 0.
close_after_the_run() {
    local what="$1" pid="$2" code=0
    "$wine" "$probe" window 60000 "Remapping: done." close >/dev/null ||
        fail "$what: the window never showed the end of the run"
    wait "$pid" || code=$?
    [[ "$code" == 0 ]] || fail "$what: exit code $code, expected 0"
}

# Gives a file a Windows attribute (+h hidden, +r read-only).
set_attribute() {
    (cd "$(dirname "$1")" && "$wine" cmd /c attrib "$2" "$(basename "$1")" >/dev/null 2>&1) ||
        fail "could not set $2 on $1"
}

# The window as the probe saw it at the end of a run, against the layout it must have.
check_window() {
    local seen="$1" kind class title width height style
    if ! grep -q '^window|' "$seen"; then
        fail "nothing seen of the window to check"
        return
    fi
    IFS='|' read -r kind class title width height style < <(grep '^window|' "$seen")
    [[ "$class|$title|$width|$height" == "VaskorRemaper|Vaskor Skin Remaper|450|110" ]] ||
        fail "main window: $class|$title|$width|$height"
    [[ $((0x$style & 0x00CF0000)) == $((0x00CF0000)) ]] || fail "main window style $style"

    # The places come from the layout the FLTK window is checked against too, worked out
    # for the client area measured here (Wine's frame is not the classic Windows one).
    local R B A
    # shellcheck disable=SC2034 # R, B and A are read by the layout's expressions
    IFS='|' read -r kind R B A < <(grep '^client|' "$seen") || true
    local texts=("|50000000" "Time remaining:   0.0 second(s)|5000000c" "Remapping: done.|5000000c"
                 "Quit|50000000")
    local expected="" i=0 class x y w h
    while IFS='|' read -r class x y w h; do
        expected+="control|$class|${texts[i]}|$((x))|$((y))|$((w))|$((h))"$'\n'
        i=$((i + 1))
    done < <(grep -v '^#' "$layout")
    expected="${expected%$'\n'}"
    local position maximum
    IFS='|' read -r kind position maximum < <(grep '^progress|' "$seen") || true
    ((maximum > 0 && position == maximum)) || fail "progress bar at $position of $maximum"

    # Class names are compared without regard to case, as the system does.
    local controls
    controls="$(grep '^control|' "$seen" | awk -F'|' -v OFS='|' '{ $2 = tolower($2); print }')"
    if [[ "$controls" != "$expected" ]]; then
        fail "controls differ from the layout"
        diff <(echo "$expected") <(echo "$controls") >&2 || true
    fi
}

# A windowed program that needs no DLL beyond the system's: static C++ and GCC run-times.
objdump="$(command -v x86_64-w64-mingw32-objdump || command -v objdump)"
headers="$("$objdump" -p "$program")"
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "not a GUI-subsystem program"
while read -r dll; do
    case "${dll^^}" in
    COMCTL32.DLL | KERNEL32.DLL | MSVCRT.DLL | SHELL32.DLL | USER32.DLL) ;;
    *) fail "imports $dll" ;;
    esac
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")

# The file properties show the version the program prints.
version="$("$native" --version)"
version="${version#skinremap }"
# Wine shows the Linux root as drive Z:.
seen="$("$wine" "$probe" version "Z:$program" | tr -d '\r')" || fail "no version information"
[[ "$seen" == "version|$version.0|$version|skinremap" ]] || fail "version information: '$seen'"

# The reference: the native build with no display ends by itself once the batch is done.
copy_skins "$work/native"
(cd "$work/native" && env -u DISPLAY "$native" >/dev/null 2>&1) || fail "native run failed"
if diff -rq "$skins" "$work/native" >/dev/null; then
    fail "the native run converted nothing: the skins folder proves nothing"
fi

# A skin the native build converts, hidden from the Windows program: its directory search
# must leave it out.
hidden_source=""
for skin in "$skins"/*.bmp; do
    if ! cmp -s "$skin" "$work/native/$(basename "$skin")"; then
        hidden_source="$skin"
        break
    fi
done

# Hidden: the directory search leaves the file out. Read-only: the program cannot write it,
# says so and goes on; the file keeps its contents. Both are copies of a skin that converts.
for action in close quit; do
    folder="$work/$action"
    copy_skins "$folder"
    box=""
    if [[ -n "$hidden_source" ]]; then
        cp "$hidden_source" "$folder/hidden.bmp"
        set_attribute "$folder/hidden.bmp" +h
        if [[ "$action" == close ]]; then
            cp "$hidden_source" "$folder/locked.bmp"
            set_attribute "$folder/locked.bmp" +r
            box="Can't write file: locked.bmp"
        fi
    fi
    case "$action" in
    close) run_windowed "$folder" close 0 "$box" "locked.bmp (could not be written)" ;;
    quit) run_windowed "$folder" quit 1 ;;
    esac
    for kept in hidden.bmp locked.bmp; do
        if [[ -e "$folder/$kept" ]]; then
            cmp -s "$hidden_source" "$folder/$kept" || fail "$action: $kept was changed"
        fi
    done
    diff -r -x hidden.bmp -x locked.bmp "$work/native" "$folder" >&2 ||
        fail "$action: outputs differ from the native build's"
    check_window "$folder.seen"
done

# Watch mode: the window converts the batch into the output folder, then a skin copied into
# the folder afterwards; closing the window ends the watch with 0. The art stays as it was.
if [[ -n "$hidden_source" ]]; then
    folder="$work/watch"
    out="$work/watch-out"
    copy_skins "$folder"
    mkdir -p "$out"
    (cd "$folder" && exec timeout 120 "$wine" "$program" --watch -o "$(windows_path "$out")" .) &
    pid=$!
    "$wine" "$probe" window 60000 "Remapping: done." none >/dev/null ||
        fail "watch: the window never showed the end of the batch"
    cp "$hidden_source" "$folder/saved later.bmp"
    converted="$work/native/$(basename "$hidden_source")"
    for ((tries = 0; tries < 200; tries++)); do
        cmp -s "$converted" "$out/saved later.bmp" && break
        sleep 0.1
    done
    cmp -s "$converted" "$out/saved later.bmp" || fail "watch: the skin saved later was not converted"
    close_after_the_run watch "$pid"
    cmp -s "$hidden_source" "$folder/saved later.bmp" || fail "watch: the art was changed"
fi

# No palette: the program says so in a box, converts nothing and reports failure.
folder="$work/no-palette"
copy_skins "$folder"
rm -f "$folder/skins.ipl"
(cd "$folder" && exec timeout 120 "$wine" "$program") &
pid=$!
seen="$("$wine" "$probe" box 60000 | tr -d '\r')" || fail "no-palette: no message box"
[[ "$seen" == "box|Error|Can't load palette: skins.ipl" ]] || fail "no-palette: box showed '$seen'"
code=0
wait "$pid" || code=$?
[[ "$code" == 2 ]] || fail "no-palette: exit code $code, expected 2"
diff -r -x skins.ipl "$skins" "$folder" >&2 || fail "no-palette: files were changed"

# From a command prompt (here: standard handles the program was given), --help and
# --version print there, as the native build prints them; a word it does not take is
# refused there with exit code 2.
for words in --help --version; do
    expected_text="$("$native" "$words")"
    seen_text="$("$wine" "$program" "$words" | tr -d '\r')" || fail "$words: exit code $?"
    [[ "$seen_text" == "$expected_text" ]] || fail "$words printed '$seen_text'"
done
code=0
refusal="$("$wine" "$program" --frobnicate 2>&1 >/dev/null)" || code=$?
[[ "$code" == 2 && "$refusal" == "skinremap: unknown option '--frobnicate'"* ]] ||
    fail "an unknown option: exit code $code, said '$refusal'"

# Dropped on the program in Explorer: a folder with a name from outside the code page opens
# the window on that folder; a file gets a box that says what the program expects, and exit
# code 2; --help, with no console to print to, shows a box.
dropped="$work/drop Skins ä Привет"
copy_skins "$dropped"
"$wine" "$probe" launch 'C:\windows' "$(windows_path "$program")" "$(windows_path "$dropped")" &
close_after_the_run "dropped folder" $!
diff -r "$work/native" "$dropped" >&2 || fail "dropped folder: outputs differ from the native build's"

launch_with_box() {
    local what="$1" argument="$2" expected_box="$3" expected_code="$4"
    "$wine" "$probe" launch 'C:\windows' "$(windows_path "$program")" "$argument" &
    local pid=$! seen code=0
    seen="$("$wine" "$probe" box 60000 | tr -d '\r' | head -n 1)" || fail "$what: no message box"
    # shellcheck disable=SC2053 # the expected text is a pattern
    [[ "$seen" == $expected_box ]] || fail "$what: box showed '$seen'"
    wait "$pid" || code=$?
    [[ "$code" == "$expected_code" ]] || fail "$what: exit code $code, expected $expected_code"
}
before="$(cd "$dropped" && cksum -- *)"
launch_with_box "dropped file" "$(windows_path "$dropped/knight.bmp")" \
    "box|skinremap|skinremap: '*knight.bmp' is not a folder." 2
[[ "$(cd "$dropped" && cksum -- *)" == "$before" ]] || fail "dropped file: files were changed"
launch_with_box "--help from Explorer" --help "box|skinremap|Usage: skinremap [[]OPTIONS] [[]FOLDER]" 0

# -o: the converted skins go to a folder made for them (its name outside the code page), and
# the folder's own files stay as they were.
folder="$work/keep"
copy_skins "$folder"
# A temporary file of a run killed while writing there: cleared away at the start.
mkdir -p "$work/converted Привет"
touch "$work/converted Привет/.skinremap-k1lled.tmp"
(cd "$work" && exec timeout 120 "$wine" "$program" -o "converted Привет" keep) &
close_after_the_run "-o" $!
diff -r "$skins" "$folder" >&2 || fail "-o: the originals were changed"
[[ ! -e "$work/converted Привет/.skinremap-k1lled.tmp" ]] || fail "-o: a stale temporary was left"
for skin in "$work/native"/*.bmp; do
    name="$(basename "$skin")"
    if cmp -s "$skin" "$skins/$name"; then
        [[ ! -e "$work/converted Привет/$name" ]] || fail "-o: $name was not converted, yet written"
    else
        cmp -s "$skin" "$work/converted Привет/$name" || fail "-o: $name differs from the native build's"
    fi
done

# --preview: pictures of every skin and their page, the very bytes the native build writes,
# both in a dry run, which changes nothing in the folder (not even its times), and in a run
# that converts and pictures in one pass. One skin's name is outside ASCII: the page names
# it, and links its pictures, in UTF-8 all the same.
add_accented_skin() {
    cp "$hidden_source" "$1/Ritter ä.bmp"
}
for mode in dry converted; do
    dry=()
    [[ "$mode" == dry ]] && dry=(--dry-run)
    copy_skins "$work/native-$mode"
    add_accented_skin "$work/native-$mode"
    (cd "$work" && env -u DISPLAY "$native" "${dry[@]}" --preview "native-pictures-$mode" \
        "native-$mode" >/dev/null 2>&1) || fail "$mode: the native run with --preview failed"
    copy_skins "$work/$mode"
    add_accented_skin "$work/$mode"
    before="$(find "$work/$mode" -printf '%p %s %T@ %m\n' | sort)"
    (cd "$work" && exec timeout 120 "$wine" "$program" "${dry[@]}" --preview "pictures-$mode" \
        "$mode") &
    close_after_the_run "--preview ($mode)" $!
    diff -r "$work/native-$mode" "$work/$mode" >&2 ||
        fail "$mode: skins differ from the native build's"
    if [[ "$mode" == dry ]]; then
        [[ "$(find "$work/$mode" -printf '%p %s %T@ %m\n' | sort)" == "$before" ]] ||
            fail "--dry-run: a file, time or permission in the folder was changed"
    fi
    grep -q 'src="Ritter%20%C3%A4.png"' "$work/pictures-$mode/index.html" ||
        fail "$mode: the page does not link the accented skin's picture in UTF-8"
    pictures=("$work/pictures-$mode"/*.png)
    [[ -s "$work/pictures-$mode/index.html" && -s "${pictures[0]}" ]] ||
        fail "$mode: no preview page or pictures"
    diff -r "$work/native-pictures-$mode" "$work/pictures-$mode" >&2 ||
        fail "$mode: pictures differ from the native build's"
done

# --dither, both ways: the skins and their pictures are the native build's to the byte, and
# not those of the nearest colours.
for method in --dither --dither=ordered; do
    name="dither-${method#--dither}"
    copy_skins "$work/native-$name"
    (cd "$work" && env -u DISPLAY "$native" "$method" --preview "native-pictures-$name" \
        "native-$name" >/dev/null 2>&1) || fail "$method: the native run failed"
    copy_skins "$work/$name"
    (cd "$work" && exec timeout 120 "$wine" "$program" "$method" --preview "pictures-$name" \
        "$name") &
    close_after_the_run "$method" $!
    diff -r "$work/native-$name" "$work/$name" >&2 || fail "$method: skins differ from the native build's"
    diff -r "$work/native-pictures-$name" "$work/pictures-$name" >&2 ||
        fail "$method: pictures differ from the native build's"
    if [[ -n "$hidden_source" ]] && cmp -s "$work/native/$(basename "$hidden_source")" \
        "$work/$name/$(basename "$hidden_source")"; then
        fail "$method: a skin came out as without dithering"
    fi
done

# --export-palette: the same palette files as the native build's, and nothing converted.
mkdir -p "$work/export-native" "$work/export-windows"
for file in game.gpl game.act; do
    (cd "$work/export-native" && "$native" --export-palette "$file" "$skins" >/dev/null) ||
        fail "$file: the native export failed"
    (cd "$work/export-windows" &&
        "$wine" "$program" --export-palette "$file" "$(windows_path "$skins")" >/dev/null) ||
        fail "$file: the export failed"
    cmp -s "$work/export-native/$file" "$work/export-windows/$file" ||
        fail "$file differs from the native build's"
done

if ((failures)); then
    echo "windows end-to-end run: $failures failure(s)" >&2
    exit 1
fi
echo "windows end-to-end run: all checks passed"
