#!/usr/bin/env bash
# Runs the fuzz harnesses one after another, each for a fixed time, and fails when any of
# them finds something. The working corpora persist under build/fuzz-work, so later runs
# go on from what earlier runs found.
#
#   tools/fuzz.sh [-t seconds] [harness...]     (default: 60 seconds, every harness)
#
# A finding is left in build/fuzz-work/findings/<harness>/ until the next run of that
# harness; once fixed, copy it to tests/data/crashers/<harness>/ so that it replays as a
# test from then on.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

seconds=60
if [[ "${1:-}" == "-t" ]]; then
    seconds="$2"
    shift 2
fi
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

status=0
for name in "${harnesses[@]}"; do
    corpus="$work/corpus/$name"
    findings="$work/findings/$name"
    log="$work/$name.log"
    # Findings of earlier runs are the user's to keep (under tests/data/crashers once fixed);
    # each run reports only its own.
    rm -rf "$findings"
    mkdir -p "$corpus" "$findings" "$work/seeds/$name"
    echo "== fuzz_$name for ${seconds}s"
    # The harnesses cap their own inputs; the limits here catch runaway memory and time.
    # No single allocation may pass the largest our readers allow (a 512 MiB pixel buffer).
    result=0
    "$build/fuzz/fuzz_$name" "$corpus" "$work/seeds/$name" \
        -max_total_time="$seconds" -rss_limit_mb=2560 -malloc_limit_mb=600 -timeout=25 \
        -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1 || result=$?
    grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$log" || true
    # Slow units are only reported; crashes, leaks, timeouts and memory exhaustion fail.
    if ((result != 0)) || ls "$findings" | grep -q -v '^slow-unit-'; then
        echo "fuzz_$name: FINDING (exit $result), see $log and $findings/"
        grep -E -A 30 'ERROR: |runtime error' "$log" | head -n 40 || true
        status=1
    fi
done
exit "$status"
