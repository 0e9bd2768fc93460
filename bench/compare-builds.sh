#!/usr/bin/env bash
# Before-and-after figures of two Release builds, measured back to back in one
# run (on a shared machine only figures taken together compare):
#   bench/compare-builds.sh BEFORE_BUILD AFTER_BUILD [REPETITIONS]
# Prints the load average, then medians of: the voice loops per voice-sample,
# tolvane-render's CPU time on the dense song at 512, 32 and 8 frames, and the
# plug-in's process() on the same song and on 4,000 controller points. The
# process() benchmark of AFTER_BUILD loads each build's plug-in bundle in turn.
# SPDX-License-Identifier: GPL-3.0-or-later
set -euo pipefail
before=${1:?usage: compare-builds.sh BEFORE_BUILD AFTER_BUILD [REPETITIONS]}
after=${2:?usage: compare-builds.sh BEFORE_BUILD AFTER_BUILD [REPETITIONS]}
reps=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# CPU seconds (user + system) of a command, to the microsecond: time(1)
# rounds to 10 ms, a twentieth of a fast render.
cpuSeconds() {
    python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], check=True)
r = resource.getrusage(resource.RUSAGE_CHILDREN)
print(f"{r.ru_utime + r.ru_stime:.4f}")' "$@"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

echo "== voice loops, ns per voice-sample (median of $reps)"
for build in "$before" "$after"; do
    "$build/bench/engine/engine_bench_render_modes" --benchmark_repetitions="$reps" --benchmark_min_time=0.2 \
        --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
        awk -F, -v build="$build" '/_median"/ { gsub(/"/, "", $1); sub(/_median/, "", $1); print build, $1, $(NF - 1) }'
done

echo "== tolvane-render, dense song (60 s), CPU seconds (median of $reps)"
"$after/tools/tolvane-make-demo" --dense 60 "$work/dense.mid"
# The builds take turns, so that a change in the machine's load falls on both.
for block in 512 32 8; do
    for ((i = 0; i < reps; i++)); do
        for build in "$before" "$after"; do
            echo "$build" "$(cpuSeconds "$build/tools/tolvane-render" -q --receive-sysex --block "$block" \
                -o "$work/out.wav" "$work/dense.mid")"
        done
    done >"$work/times"
    for build in "$before" "$after"; do
        awk -v build="$build" '$1 == build { print $2 }' "$work/times" | median |
            xargs printf "%s block %s: %s s\n" "$build" "$block"
    done
done

echo "== process() through the SDK's hosting classes"
for build in "$before" "$after"; do
    bundle=$(find "$build/VST3" -maxdepth 2 -name 'TolvaneSynthWT.vst3' | head -n1)
    echo "-- bundle $bundle"
    TOLVANE_BENCH_VST3="$bundle" "$after/bench/plugin/vst_process_bench" --benchmark_repetitions="$reps" \
        --benchmark_report_aggregates_only=true 2>/dev/null | grep -E '_median'
done
