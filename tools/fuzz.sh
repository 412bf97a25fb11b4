#!/usr/bin/env bash
# Runs the fuzz harnesses one after another (or a few at once), each for a fixed time, and
# fails when any of them finds something. The working corpora persist under build/fuzz-work,
# so later runs go on from what earlier runs found.
#
#   tools/fuzz.sh [-t seconds] [-j jobs] [harness...]
#       (default: 60 seconds, one at a time, every harness)
#
# A finding is left in build/fuzz-work/findings/<harness>/ until the next run of that
# harness; once fixed, copy it to tests/data/crashers/<harness>/ so that it replays as a
# test from then on.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

seconds=60
jobs=1
while getopts "t:j:" option; do
    case "$option" in
    t) seconds="$OPTARG" ;;
    j) jobs="$OPTARG" ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
build=build/fuzz
work=build/fuzz-work

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target fuzzers >/dev/null

harnesses=("$@")
if ((${#harnesses[@]} == 0)); then
    for program in "$build"/fuzz/fuzz_*; do
        name="${program##*/fuzz_}"
        [[ "$name" == seeds ]] || harnesses+=("$name")
    done
fi

# Seeds: the real-world files and valid files of every format, made by our own writers.
rm -rf "$work/seeds"
"$build/fuzz/fuzz_seeds" tests/data/corpus "$work/seeds"

# Runs one harness and reports on it in one block, so that parallel runs don't interleave.
# Fails when it found something.
fuzz_one() {
    local name="$1"
    local corpus="$work/corpus/$name" findings="$work/findings/$name" log="$work/$name.log"
    # Findings of earlier runs are the user's to keep (under tests/data/crashers once fixed);
    # each run reports only its own.
    rm -rf "$findings"
    mkdir -p "$corpus" "$findings" "$work/seeds/$name"
    # The harnesses cap their own inputs; the limits here catch runaway memory and time.
    # No single allocation may pass the largest our readers allow (a 512 MiB pixel buffer).
    local result=0
    "$build/fuzz/fuzz_$name" "$corpus" "$work/seeds/$name" \
        -max_total_time="$seconds" -rss_limit_mb=2560 -malloc_limit_mb=600 -timeout=25 \
        -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1 || result=$?
    local report
    report="== fuzz_$name for ${seconds}s
$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true)
$(grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$log" || true)"
    # Slow units are only reported; crashes, leaks, timeouts and memory exhaustion fail.
    local found=0
    if ((result != 0)) || ls "$findings" | grep -q -v '^slow-unit-'; then
        found=1
        report+="
fuzz_$name: FINDING (exit $result), see $log and $findings/
$(grep -E -A 30 'ERROR: |runtime error' "$log" | head -n 40 || true)"
    fi
    echo "$report"
    return "$found"
}

# At most `jobs` harnesses at once: one per core for a long campaign.
status=0
running=0
for name in "${harnesses[@]}"; do
    if ((running == jobs)); then
        wait -n || status=1
        running=$((running - 1))
    fi
    fuzz_one "$name" &
    running=$((running + 1))
done
while ((running > 0)); do
    wait -n || status=1
    running=$((running - 1))
done
exit "$status"
