#!/usr/bin/env bash
# Times skinremap as whole runs against the tools an artist would pick instead, all on the
# same images and palette, and prints megapixels a second and ratios as a Markdown table.
#
#   bench/compare.sh [build directory]       (default: build/release, built beforehand)
#
# Needs the Debian packages python3-pil ffmpeg netpbm imagemagick mate-backgrounds. The
# images are that package's wallpapers, converted here to 24-bit BMP; nothing of them is
# kept in the repository. Each figure is the best of $RUNS runs (default 3).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
work=${COMPARE_DIR:-${TMPDIR:-/tmp}/skinremap-compare}
runs=${RUNS:-3}
python=/usr/bin/python3 # Debian's, which has python3-pil
backgrounds=/usr/share/backgrounds/mate

for program in "$build/skinremap" "$build/bench/plain_scan_skinremap" "$build/bench/copy_floor"; do
    [[ -x $program ]] || { echo "missing $program: build the release preset first" >&2; exit 2; }
done
for tool in ffmpeg pnmremap bmptopnm ppmtobmp convert; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 2; }
done
[[ -d $backgrounds ]] || { echo "missing $backgrounds (mate-backgrounds)" >&2; exit 2; }

# ---- Images and palette -------------------------------------------------------------------
# Sets: a 4-megapixel photo at 256 x 256, 1024 x 1024 and full size; flat artwork at full
# size; 500 skins of 256 x 256 cut from all the photos. The palette is a median cut of the
# photos to 255 colours, entry 255 repeating entry 0, since skinremap matches entries 0-254.
rm -rf "$work"
mkdir -p "$work/sets"
"$python" - "$backgrounds" "$work" <<'EOF'
import glob, os, struct, sys
from PIL import Image

backgrounds, work = sys.argv[1], sys.argv[2]
photos = sorted(glob.glob(os.path.join(backgrounds, "nature", "*.jpg")))
photo = Image.open(os.path.join(backgrounds, "nature", "Garden.jpg")).convert("RGB")
art = Image.open(os.path.join(backgrounds, "abstract", "Flow.png")).convert("RGB")

def save_set(name, images):
    folder = os.path.join(work, "sets", name)
    os.makedirs(folder)
    for i, image in enumerate(images):
        image.save(os.path.join(folder, "skin%03d.bmp" % i))  # 24-bit, uncompressed

save_set("photo-256", [photo.resize((256, 256), Image.Resampling.LANCZOS)])
save_set("photo-1024", [photo.resize((1024, 1024), Image.Resampling.LANCZOS)])
save_set("photo-full", [photo])
save_set("art-full", [art])
skins = []
for i in range(500):
    source = Image.open(photos[i % len(photos)]).convert("RGB")
    step = i // len(photos)
    x = (step * 211) % (source.width - 256)
    y = (step * 97) % (source.height - 256)
    skins.append(source.crop((x, y, x + 256, y + 256)))
save_set("skins-500", skins)

collage = Image.new("RGB", (512 * len(photos), 512))
for i, path in enumerate(photos):
    collage.paste(Image.open(path).convert("RGB").resize((512, 512)), (512 * i, 0))
colors = collage.quantize(colors=255, method=Image.Quantize.MEDIANCUT).getpalette()[: 255 * 3]
colors += colors[:3]
triples = [tuple(colors[i : i + 3]) for i in range(0, 768, 3)]

with open(os.path.join(work, "skins.ipl"), "wb") as out:  # RIFF palette
    data = struct.pack("<HH", 0x300, 256) + b"".join(bytes(t) + b"\0" for t in triples)
    out.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(data)) + b"PAL data")
    out.write(struct.pack("<I", len(data)) + data)
strip = Image.new("RGB", (256, 1))
strip.putdata(triples)
strip.save(os.path.join(work, "palette.ppm"))
square = Image.new("RGB", (16, 16))
square.putdata(triples)
square.save(os.path.join(work, "palette.png"))
EOF

# ---- The contenders -------------------------------------------------------------------
# Each runs in a fresh copy of a set's folder and converts every *.bmp in it.
pillow_script='
import glob, sys
from PIL import Image
palette = Image.new("P", (1, 1))
palette.putpalette([c for rgb in Image.open(sys.argv[1]).convert("RGB").getdata() for c in rgb])
for name in glob.glob("*.bmp"):
    Image.open(name).quantize(palette=palette, dither=Image.Dither.NONE).save(name)
'
run_tool() {
    case $1 in
    skinremap) env -u DISPLAY "$build/skinremap" >/dev/null ;;
    plain-scan) env -u DISPLAY "$build/bench/plain_scan_skinremap" >/dev/null ;;
    copy-floor) "$build/bench/copy_floor" ;;
    pillow) "$python" -c "$pillow_script" "$work/palette.png" ;;
    ffmpeg)
        for f in *.bmp; do
            ffmpeg -v error -y -i "$f" -i "$work/palette.png" \
                -lavfi paletteuse=dither=none -pix_fmt pal8 "out-$f" && mv "out-$f" "$f"
        done
        ;;
    netpbm)
        for f in *.bmp; do
            bmptopnm -quiet "$f" | pnmremap -quiet -nofloyd -mapfile="$work/palette.ppm" |
                ppmtobmp -quiet -bpp 8 >"out-$f" && mv "out-$f" "$f"
        done
        ;;
    imagemagick)
        for f in *.bmp; do
            convert "$f" -dither None -remap "$work/palette.png" -type Palette "BMP3:out-$f" &&
                mv "out-$f" "$f"
        done
        ;;
    esac
}

# Best wall-clock and best processor seconds (user + system, every process of the tool) of
# $runs runs of tool $1 on set $2, as "wall cpu". On a shared machine the wall clock also
# counts the waits for other people's work; the processor time does not.
time_tool() {
    local best_wall="" best_cpu="" times
    for ((run = 0; run < runs; ++run)); do
        rm -rf "$work/run"
        cp -r "$work/sets/$2" "$work/run"
        cp "$work/skins.ipl" "$work/run/"
        times=$( { TIMEFORMAT='%R %U %S'; time (cd "$work/run" && run_tool "$1"); } 2>&1 >/dev/null | tail -1)
        read -r wall user system <<<"$times"
        local cpu
        cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.3f", u + s }')
        if [[ -z $best_wall ]] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then
            best_wall=$wall
        fi
        if [[ -z $best_cpu ]] || awk -v a="$cpu" -v b="$best_cpu" 'BEGIN { exit !(a < b) }'; then
            best_cpu=$cpu
        fi
    done
    if [[ $2 == photo-1024 ]]; then
        cp "$work/run/skin000.bmp" "$work/$1-photo-1024.bmp"
    fi
    echo "$best_wall $best_cpu"
}

megapixels() {
    "$python" -c 'import glob, sys
from PIL import Image
print(sum(Image.open(f).width * Image.open(f).height for f in glob.glob(sys.argv[1] + "/*.bmp")) / 1e6)' \
        "$work/sets/$1"
}

rate() { awk -v m="$1" -v s="$2" 'BEGIN { if (s < 0.0005) s = 0.0005; printf "%.1f", m / s }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }

tools=(skinremap plain-scan pillow ffmpeg netpbm imagemagick copy-floor)
sets=(photo-256 photo-1024 photo-full art-full skins-500)

declare -A wall_rate=() cpu_rate=() mpix=()
for set in "${sets[@]}"; do
    mpix[$set]=$(megapixels "$set")
    for tool in "${tools[@]}"; do
        # The plain scan takes a while on the large sets: one run is enough there.
        if [[ $tool == plain-scan ]]; then
            read -r wall cpu <<<"$(runs=1 time_tool "$tool" "$set")"
        else
            read -r wall cpu <<<"$(time_tool "$tool" "$set")"
        fi
        wall_rate[$set,$tool]=$(rate "${mpix[$set]}" "$wall")
        cpu_rate[$set,$tool]=$(rate "${mpix[$set]}" "$cpu")
    done
done

print_table() {
    local -n rates=$1
    printf '| set | Mpix |'
    for tool in "${tools[@]}"; do printf ' %s |' "$tool"; done
    printf '\n|---|---:|'
    for tool in "${tools[@]}"; do printf -- '---:|'; done
    echo
    for set in "${sets[@]}"; do
        printf '| %s | %.2f |' "$set" "${mpix[$set]}"
        for tool in "${tools[@]}"; do
            if [[ $tool == skinremap ]]; then
                printf ' **%s** |' "${rates[$set,$tool]}"
            else
                printf ' %s (%sx) |' "${rates[$set,$tool]}" \
                    "$(ratio "${rates[$set,skinremap]}" "${rates[$set,$tool]}")"
            fi
        done
        echo
    done
}

echo "Megapixels a second, whole runs, best of $runs; in brackets skinremap's speed over the tool's."
echo
echo "By processor time (user + system of every process the tool ran):"
echo
print_table cpu_rate
echo
echo "By wall-clock time:"
echo
print_table wall_rate

# ---- Exactness ------------------------------------------------------------------------
# On the 1024 x 1024 photo: the share of pixels for which a tool chose a colour strictly
# farther from the pixel than skinremap's (whose indices refer to the game palette).
echo
echo "Pixels of photo-1024 given a strictly farther colour than skinremap's:"
"$python" - "$work" <<'EOF'
import sys
from PIL import Image
work = sys.argv[1]
palette = list(Image.open(work + "/palette.png").convert("RGB").getdata())
source = list(Image.open(work + "/sets/photo-1024/skin000.bmp").convert("RGB").getdata())
ours = [palette[i] for i in Image.open(work + "/skinremap-photo-1024.bmp").getdata()]
def distance(a, b):
    return (a[0] - b[0]) ** 2 + (a[1] - b[1]) ** 2 + (a[2] - b[2]) ** 2
best = [distance(p, q) for p, q in zip(source, ours)]
for tool in ["plain-scan", "pillow", "ffmpeg", "netpbm", "imagemagick"]:
    theirs = list(Image.open("%s/%s-photo-1024.bmp" % (work, tool)).convert("RGB").getdata())
    if tool == "plain-scan":
        theirs = [palette[i] for i in Image.open("%s/%s-photo-1024.bmp" % (work, tool)).getdata()]
    farther = sum(1 for p, q, d in zip(source, theirs, best) if distance(p, q) > d)
    print("- %s: %.2f %%" % (tool, 100.0 * farther / len(source)))
EOF
