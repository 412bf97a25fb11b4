#!/usr/bin/env bash
# Times skinremap as whole runs against the tools an artist would pick instead, all on the
# same images and palettes, and prints megapixels a second, ratios and peak memory as
# Markdown tables; then mapping alone (matcher_bench) on the same pictures, if it was built.
#
#   bench/compare.sh [build directory]       (default: build/release, built beforehand)
#   SETS="noise-9m photo-full" TOOLS="skinremap pillow copy-floor" bench/compare.sh
#                                            (a part of it: those sets, those tools)
#   PART=dithering bench/compare.sh          (only the dithering, on the photo and the skins)
#
# Needs the Debian packages python3-pil ffmpeg netpbm imagemagick mate-backgrounds (the
# dithering alone: python3-pil imagemagick mate-backgrounds; netpbm and ffmpeg join in where
# they are installed). The images are that package's wallpapers, converted here to 24-bit
# BMP; nothing of them is kept in the repository. Each figure is the best of $RUNS runs
# (default 3). PART is nearest, dithering or all (the default).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
work=${COMPARE_DIR:-${TMPDIR:-/tmp}/skinremap-compare}
runs=${RUNS:-3}
python=/usr/bin/python3 # Debian's, which has python3-pil
backgrounds=/usr/share/backgrounds/mate

all_tools=(skinremap plain-scan pillow ffmpeg netpbm imagemagick copy-floor)
all_sets=(photo-256 photo-1024 photo-full art-full skins-500 photo-full-dense skins-500-dense noise-9m
    photo-9000)
read -r -a tools <<<"${TOOLS:-${all_tools[*]}}"
read -r -a sets <<<"${SETS:-${all_sets[*]}}"
[[ " ${tools[*]} " == *" skinremap "* ]] || { echo "TOOLS must hold skinremap" >&2; exit 2; }
needs() { [[ " ${tools[*]} " == *" $1 "* ]]; }
part=${PART:-all}
[[ $part =~ ^(all|nearest|dithering)$ ]] || { echo "PART is all, nearest or dithering" >&2; exit 2; }
[[ $part == dithering ]] && tools=(skinremap) sets=()
nearest_tools=("${tools[@]}") nearest_sets=("${sets[@]}")
for program in "$build/skinremap" "$build/bench/plain_scan_skinremap" "$build/bench/copy_floor"; do
    [[ -x $program ]] || { echo "missing $program: build the release preset first" >&2; exit 2; }
done
commands=()
needs ffmpeg && commands+=(ffmpeg)
needs netpbm && commands+=(pnmremap bmptopnm ppmtobmp)
needs imagemagick || [[ $part != nearest ]] && commands+=(convert)
for tool in "${commands[@]}"; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 2; }
done
[[ -d $backgrounds ]] || { echo "missing $backgrounds (mate-backgrounds)" >&2; exit 2; }

# ---- Images and palettes -------------------------------------------------------------------
# Sets: a 4-megapixel photo at 256 x 256, 1024 x 1024, full size and upscaled to 9000 x 9000
# (photo-9000: 81 megapixels, the memory a very large picture costs); flat artwork at full
# size; 500 skins of 256 x 256 cut from all the photos; the worst case, 16 pictures of
# 3000 x 3000 of uniform noise, nearly every pixel a colour not seen before. Palettes: "photos", a median cut of
# all the photos to 255 colours, and the denser "garden", a median cut of the 4-megapixel
# photo alone, whose colours crowd into its greens (tools/median_cut_palette.py; entry 255
# repeats entry 0, since skinremap matches entries 0-254). A set named *-dense is its
# folder under "garden"; the others are under "photos".
rm -rf "$work"
mkdir -p "$work/sets" "$work/palettes"
"$python" "$root/tools/median_cut_palette.py" --images "$work/palettes/photos.pal" \
    "$backgrounds"/nature/*.jpg
"$python" "$root/tools/median_cut_palette.py" --images "$work/palettes/garden.pal" \
    "$backgrounds/nature/Garden.jpg"
wanted=("${sets[@]%-dense}")
[[ $part != nearest ]] && wanted+=(photo-full skins-500)
"$python" - "$backgrounds" "$work" "${wanted[@]}" <<'EOF2'
import glob, os, sys
from PIL import Image

backgrounds, work = sys.argv[1], sys.argv[2]
wanted = set(sys.argv[3:])
photos = sorted(glob.glob(os.path.join(backgrounds, "nature", "*.jpg")))
photo = Image.open(os.path.join(backgrounds, "nature", "Garden.jpg")).convert("RGB")
art = Image.open(os.path.join(backgrounds, "abstract", "Flow.png")).convert("RGB")

def save_set(name, images):
    if name not in wanted:
        return
    folder = os.path.join(work, "sets", name)
    os.makedirs(folder)
    for i, image in enumerate(images):
        image.save(os.path.join(folder, "skin%03d.bmp" % i))  # 24-bit, uncompressed

save_set("photo-256", [photo.resize((256, 256), Image.Resampling.LANCZOS)])
save_set("photo-1024", [photo.resize((1024, 1024), Image.Resampling.LANCZOS)])
save_set("photo-full", [photo])
if "photo-9000" in wanted:
    save_set("photo-9000", [photo.resize((9000, 9000), Image.Resampling.LANCZOS)])
save_set("art-full", [art])
skins = []
for i in range(500 if "skins-500" in wanted else 0):
    source = Image.open(photos[i % len(photos)]).convert("RGB")
    step = i // len(photos)
    x = (step * 211) % (source.width - 256)
    y = (step * 97) % (source.height - 256)
    skins.append(source.crop((x, y, x + 256, y + 256)))
save_set("skins-500", skins)
if "noise-9m" in wanted:
    save_set("noise-9m", [Image.frombytes("RGB", (3000, 3000), os.urandom(3000 * 3000 * 3))
                          for _ in range(16)])
EOF2

folder_of() { echo "$work/sets/${1%-dense}"; }
palette_of() { [[ $1 == *-dense ]] && echo "$work/palettes/garden" || echo "$work/palettes/photos"; }

# ---- The contenders -------------------------------------------------------------------
# Each runs in a fresh copy of a set's folder and converts every *.bmp in it, the palette
# being $palette.pal (as skins.ipl), $palette.png or $palette.ppm.
# Pillow's dithering is Floyd-Steinberg (argument "fs"); ImageMagick's and netpbm's too, in
# serpentine order; ffmpeg also has an 8 x 8 Bayer pattern.
pillow_script='
import glob, sys
from PIL import Image
palette = Image.new("P", (1, 1))
palette.putpalette([c for rgb in Image.open(sys.argv[1]).convert("RGB").getdata() for c in rgb])
dither = Image.Dither.FLOYDSTEINBERG if sys.argv[2:] == ["fs"] else Image.Dither.NONE
for name in glob.glob("*.bmp"):
    Image.open(name).quantize(palette=palette, dither=dither).save(name)
'
run_tool() {
    case $1 in
    skinremap) env -u DISPLAY "$build/skinremap" >/dev/null ;;
    skinremap-diffusion) env -u DISPLAY "$build/skinremap" --dither >/dev/null ;;
    skinremap-ordered) env -u DISPLAY "$build/skinremap" --dither=ordered >/dev/null ;;
    pillow-fs) "$python" -c "$pillow_script" "$palette.png" fs ;;
    imagemagick-fs)
        for f in *.bmp; do
            convert "$f" -dither FloydSteinberg -remap "$palette.png" -type Palette "BMP3:out-$f" &&
                mv "out-$f" "$f"
        done
        ;;
    netpbm-fs)
        for f in *.bmp; do
            bmptopnm -quiet "$f" | pnmremap -quiet -floyd -mapfile="$palette.ppm" |
                ppmtobmp -quiet -bpp 8 >"out-$f" && mv "out-$f" "$f"
        done
        ;;
    ffmpeg-fs | ffmpeg-bayer)
        local dither=floyd_steinberg
        [[ $1 == ffmpeg-bayer ]] && dither=bayer:bayer_scale=2
        for f in *.bmp; do
            ffmpeg -v error -y -i "$f" -i "$palette.png" \
                -lavfi "paletteuse=dither=$dither" -pix_fmt pal8 "out-$f" && mv "out-$f" "$f"
        done
        ;;
    plain-scan) env -u DISPLAY "$build/bench/plain_scan_skinremap" >/dev/null ;;
    copy-floor) "$build/bench/copy_floor" ;;
    pillow) "$python" -c "$pillow_script" "$palette.png" ;;
    ffmpeg)
        for f in *.bmp; do
            ffmpeg -v error -y -i "$f" -i "$palette.png" \
                -lavfi paletteuse=dither=none -pix_fmt pal8 "out-$f" && mv "out-$f" "$f"
        done
        ;;
    netpbm)
        for f in *.bmp; do
            bmptopnm -quiet "$f" | pnmremap -quiet -nofloyd -mapfile="$palette.ppm" |
                ppmtobmp -quiet -bpp 8 >"out-$f" && mv "out-$f" "$f"
        done
        ;;
    imagemagick)
        for f in *.bmp; do
            convert "$f" -dither None -remap "$palette.png" -type Palette "BMP3:out-$f" &&
                mv "out-$f" "$f"
        done
        ;;
    esac
}
export -f run_tool
export build python pillow_script

# Wall-clock seconds, processor seconds (user + system of every process the tool ran) and
# the peak resident memory in KiB of its largest process, of one run of tool $1 on set $2.
# On a shared machine the wall clock also counts the waits for other people's work; the
# processor time does not.
measure_run() {
    rm -rf "$work/run"
    cp -r "$(folder_of "$2")" "$work/run"
    cp "$(palette_of "$2").pal" "$work/run/skins.ipl"
    # A user's skins sit on the disk already: the copy's writing must not be counted.
    sync
    (cd "$work/run" && palette=$(palette_of "$2") "$python" -c '
import resource, subprocess, sys, time
start = time.perf_counter()
subprocess.run(["bash", "-c", "run_tool " + sys.argv[1]], check=True)
wall = time.perf_counter() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
print("%.4f %.4f %d" % (wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss))' "$1")
}

# The best wall clock, best processor time and largest peak memory of $runs runs, as
# "wall cpu kib".
time_tool() {
    local best_wall="" best_cpu="" peak=0
    for ((run = 0; run < runs; ++run)); do
        read -r wall cpu kib <<<"$(measure_run "$1" "$2")"
        if [[ -z $best_wall ]] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then
            best_wall=$wall
        fi
        if [[ -z $best_cpu ]] || awk -v a="$cpu" -v b="$best_cpu" 'BEGIN { exit !(a < b) }'; then
            best_cpu=$cpu
        fi
        ((kib > peak)) && peak=$kib
    done
    if [[ $2 == photo-1024 ]]; then
        cp "$work/run/skin000.bmp" "$work/$1-photo-1024.bmp"
    fi
    echo "$best_wall $best_cpu $peak"
}

megapixels() {
    "$python" -c 'import glob, sys
from PIL import Image
print(sum(Image.open(f).width * Image.open(f).height for f in glob.glob(sys.argv[1] + "/*.bmp")) / 1e6)' \
        "$(folder_of "$1")"
}

rate() { awk -v m="$1" -v s="$2" 'BEGIN { if (s < 0.0005) s = 0.0005; printf "%.1f", m / s }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }

# One file at a time through a separate program takes minutes on the noise: left out there;
# on the 9000 x 9000 photo the plain scan would too.
skipped() {
    [[ $1 =~ ^(noise-9m|photo-9000)$ && $2 =~ ^(ffmpeg|netpbm|imagemagick)$ ]] ||
        [[ $1 == photo-9000 && $2 == plain-scan ]]
}

# Times every tool of $tools on every set of $sets.
declare -A wall_rate=() cpu_rate=() peak_mib=() mpix=()
measure_all() {
    local set tool wall cpu kib
    for set in "${sets[@]}"; do
        mpix[$set]=$(megapixels "$set")
        for tool in "${tools[@]}"; do
            if skipped "$set" "$tool"; then
                wall_rate[$set,$tool]=- cpu_rate[$set,$tool]=- peak_mib[$set,$tool]=-
                continue
            fi
            # The plain scan takes a while on the large sets: one run is enough there.
            if [[ $tool == plain-scan ]]; then
                read -r wall cpu kib <<<"$(runs=1 time_tool "$tool" "$set")"
            else
                read -r wall cpu kib <<<"$(time_tool "$tool" "$set")"
            fi
            wall_rate[$set,$tool]=$(rate "${mpix[$set]}" "$wall")
            cpu_rate[$set,$tool]=$(rate "${mpix[$set]}" "$cpu")
            peak_mib[$set,$tool]=$(awk -v k="$kib" 'BEGIN { printf "%.1f", k / 1024 }')
        done
    done
}

# The ratios are over the tool named by $reference, in bold.
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
            if [[ $tool == "$reference" ]]; then
                printf ' **%s** |' "${rates[$set,$tool]}"
            elif skipped "$set" "$tool"; then
                printf ' - |'
            else
                printf ' %s (%sx) |' "${rates[$set,$tool]}" \
                    "$(ratio "${rates[$set,$reference]}" "${rates[$set,$tool]}")"
            fi
        done
        echo
    done
}

print_memory() {
    printf '| set |'
    for tool in "${tools[@]}"; do printf ' %s |' "$tool"; done
    printf '\n|---|'
    for tool in "${tools[@]}"; do printf -- '---:|'; done
    echo
    for set in "${sets[@]}"; do
        printf '| %s |' "$set"
        for tool in "${tools[@]}"; do printf ' %s |' "${peak_mib[$set,$tool]}"; done
        echo
    done
}

print_tables() {
    echo "Megapixels a second, whole runs, best of $runs; in brackets $reference's speed over the tool's."
    echo "$1"
    echo
    echo "By wall-clock time:"
    echo
    print_table wall_rate
    echo
    echo "By processor time (user + system of every process the tool ran), the same runs:"
    echo
    print_table cpu_rate
    echo
    echo "Peak resident memory of the tool's largest process, MiB, the same runs:"
    echo
    print_memory
}

# ---- Dithering --------------------------------------------------------------------------
# skinremap's two ways against the other tools' dithering to the same palette, on the
# 4-megapixel photo and the 500 skins.
if [[ $part != nearest ]]; then
    tools=(skinremap-diffusion skinremap-ordered pillow-fs imagemagick-fs)
    command -v pnmremap >/dev/null && tools+=(netpbm-fs)
    command -v ffmpeg >/dev/null && tools+=(ffmpeg-fs ffmpeg-bayer)
    sets=(photo-full skins-500)
    reference=skinremap-diffusion
    measure_all
    print_tables "Dithering: error diffusion (-fs) or an ordered pattern (skinremap-ordered, ffmpeg-bayer)."
    # Mapping alone, by processor time: skinremap's loops (matcher_bench, one matcher kept
    # across runs), and Pillow's dithering of the picture loaded once, best of five.
    mkdir -p "$work/dithered"
    cp "$work/sets/photo-full/skin000.bmp" "$work/dithered/photo.bmp"
    cp "$work/sets/skins-500/skin007.bmp" "$work/dithered/skin.bmp"
    echo
    echo "Dithering alone, Mpix/s by processor time:"
    echo
    echo "| picture | skinremap diffusion | skinremap ordered | Pillow Floyd-Steinberg |"
    echo "|---|---:|---:|---:|"
    "$python" - "$work/palettes/photos.png" "$work/dithered"/*.bmp <<'EOF3' >"$work/pillow-alone"
import sys, time
from PIL import Image
palette = Image.new("P", (1, 1))
palette.putpalette([c for rgb in Image.open(sys.argv[1]).convert("RGB").getdata() for c in rgb])
def seconds(picture):
    start = time.process_time()
    picture.quantize(palette=palette, dither=Image.Dither.FLOYDSTEINBERG)
    return time.process_time() - start
for path in sys.argv[2:]:
    picture = Image.open(path)
    picture.load()
    best = min(seconds(picture) for _ in range(5))
    print(path.rsplit("/", 1)[1][:-4], "%.0f" % (picture.width * picture.height / best / 1e6))
EOF3
    if [[ -x $build/bench/matcher_bench ]]; then
        "$build/bench/matcher_bench" --benchmark_filter='^Map(Diffused|Ordered)/' \
            --benchmark_format=json "$work/palettes/photos.pal" "$work/dithered"/*.bmp 2>/dev/null |
            "$python" -c '
import json, sys
rates = {}
for run in json.load(sys.stdin)["benchmarks"]:
    kind, picture = run["name"].split("/")[:2]
    rates[picture, kind] = "%.0f" % run["Mpix/s"]
for line in open(sys.argv[1]):
    picture, pillow = line.split()
    print("| %s | %s | %s | %s |" % (picture, rates.get((picture, "MapDiffused"), "-"),
                                     rates.get((picture, "MapOrdered"), "-"), pillow))' \
            "$work/pillow-alone"
    fi
    [[ $part == all ]] && echo
fi
[[ $part == dithering ]] && exit 0

# ---- Nearest colours --------------------------------------------------------------------
tools=("${nearest_tools[@]}") sets=("${nearest_sets[@]}")
reference=skinremap
measure_all
print_tables "Sets named *-dense are under the denser palette."

# ---- Exactness ------------------------------------------------------------------------
# On the 1024 x 1024 photo: the share of pixels for which a tool chose a colour strictly
# farther from the pixel than skinremap's (whose indices refer to the game palette).
# Only when every tool ran on it.
if [[ " ${sets[*]} " == *" photo-1024 "* && ${#tools[@]} == "${#all_tools[@]}" ]]; then
echo
echo "Pixels of photo-1024 given a strictly farther colour than skinremap's:"
"$python" - "$work" <<'EOF'
import sys
from PIL import Image
work = sys.argv[1]
palette = list(Image.open(work + "/palettes/photos.png").convert("RGB").getdata())
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
fi

# ---- Mapping alone ----------------------------------------------------------------------
# The matcher without the files around it, one matcher kept across runs, by processor time.
if [[ -x $build/bench/matcher_bench && -d $work/sets/photo-full && -d $work/sets/art-full &&
    -d $work/sets/skins-500 ]]; then
    mkdir -p "$work/pictures"
    cp "$work/sets/photo-full/skin000.bmp" "$work/pictures/photo.bmp"
    cp "$work/sets/art-full/skin000.bmp" "$work/pictures/art.bmp"
    cp "$work/sets/skins-500/skin007.bmp" "$work/pictures/skin.bmp"
    echo
    echo "Mapping alone (matcher_bench, Mpix/s by processor time):"
    echo
    "$build/bench/matcher_bench" --benchmark_filter='^Map' --benchmark_format=json \
        "$work/palettes/photos.pal" "$work/palettes/garden.pal" "$work/pictures"/*.bmp 2>/dev/null |
        "$python" -c '
import json, sys
print("| benchmark | Mpix/s |\n|---|---:|")
for run in json.load(sys.stdin)["benchmarks"]:
    print("| %s | %.0f |" % (run["name"], run["Mpix/s"]))'
fi
