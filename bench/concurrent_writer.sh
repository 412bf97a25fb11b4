#!/usr/bin/env bash
# What putting skins in place costs when another program writes a lot to the same file
# system: whole runs over 256 skins of 256 x 256 and over one 4-megapixel skin, quiet and
# beside a writer of several gigabytes that the run never waits for, and how long a run
# takes to end after Ctrl-C (which acts as closing its window) while that writer writes.
# Prints Markdown tables, one column per program given, so that two builds (before and after
# a change) are measured in one run of the script, under the same conditions.
#
#   bench/concurrent_writer.sh PROGRAM [PROGRAM...]    (default: build/release/skinremap)
#
# RUNS (default 3) runs of each; the median is shown. WRITER_GB (default 4) gigabytes of
# zeros written by `dd` into the same file system, started a second before each run, so
# that much of it is unwritten when the run commits its first group. The folders are made
# under BENCH_DIR (default $TMPDIR or /tmp); keep it on the file system to be measured.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
work=${BENCH_DIR:-${TMPDIR:-/tmp}}/skinremap-concurrent
runs=${RUNS:-3}
writer_gb=${WRITER_GB:-4}
programs=("$@")
((${#programs[@]})) || programs=("$root/build/release/skinremap")
for program in "${programs[@]}"; do
    [[ -x $program ]] || { echo "missing $program" >&2; exit 2; }
done

# ---- Folders: noise, so that every run does the same work whatever the palette ----------
rm -rf "$work"
mkdir -p "$work/sets/skins-256" "$work/sets/skin-4m"
/usr/bin/python3 - "$work/sets" <<'EOF'
import os, struct, sys

def bmp(path, width, height):
    stride = (width * 3 + 3) // 4 * 4
    pixels = os.urandom(stride * height)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)

sets = sys.argv[1]
for i in range(256):
    bmp(os.path.join(sets, "skins-256", "skin%03d.bmp" % i), 256, 256)
bmp(os.path.join(sets, "skin-4m", "skin.bmp"), 2048, 2048)
EOF
for set in "$work"/sets/*; do
    cp "$root/samples/skins.ipl" "$set/"
done
sync

now() { date +%s%N; }

writer=""
startWriter() {
    dd if=/dev/zero of="$work/ballast" bs=1M count=$((writer_gb * 1024)) status=none &
    writer=$!
    sleep 1
}
stopWriter() {
    if [[ -n $writer ]]; then
        kill "$writer" 2>/dev/null || true
        wait "$writer" 2>/dev/null || true
        writer=""
    fi
    rm -f "$work/ballast"
    sync
}
trap stopWriter EXIT

# A fresh copy of the set, on the disk before the clock starts.
freshCopy() {
    rm -rf "$work/run"
    cp -r "$work/sets/$1" "$work/run"
    sync
}

# Milliseconds of one whole run of $1 over set $2, with the writer when $3 is "writer".
wholeRun() {
    freshCopy "$2"
    [[ $3 == writer ]] && startWriter
    local start end
    start=$(now)
    env -u DISPLAY "$1" "$work/run" >/dev/null 2>&1
    end=$(now)
    stopWriter
    echo $(((end - start) / 1000000))
}

# Milliseconds from Ctrl-C to the end of a run of $1 over the 256 skins, with the writer;
# the interrupt comes once the run has had half a second.
quitLatency() {
    freshCopy skins-256
    startWriter
    env -u DISPLAY "$1" "$work/run" >/dev/null 2>&1 &
    local run=$! start end
    sleep 0.5
    start=$(now)
    kill -INT "$run"
    wait "$run" || true
    end=$(now)
    stopWriter
    echo $(((end - start) / 1000000))
}

median() {
    printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

measure() { # what, then its arguments
    local samples=() i
    for ((i = 0; i < runs; ++i)); do
        samples+=("$("$@")")
    done
    echo "$(median "${samples[@]}") (${samples[*]})"
}

header="| measure, ms (median of $runs; all runs) |"
rule="|---|"
for program in "${programs[@]}"; do
    header+=" $program |"
    rule+="---:|"
done
echo "$header"
echo "$rule"
for set in skins-256 skin-4m; do
    for mode in quiet writer; do
        line="| $set, $mode |"
        for program in "${programs[@]}"; do
            line+=" $(measure wholeRun "$program" "$set" "$mode") |"
        done
        echo "$line"
    done
done
line="| Ctrl-C to exit, skins-256, writer |"
for program in "${programs[@]}"; do
    line+=" $(measure quitLatency "$program") |"
done
echo "$line"
rm -rf "$work"
