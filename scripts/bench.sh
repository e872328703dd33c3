#!/bin/sh
# Runs the benchmark programs of a build; each prints its figures as BENCH lines.
# Usage: scripts/bench.sh BUILD_DIR [ID]  -- ID (default: $BENCH) keeps only figures whose id
# contains it.
set -eu
build=${1:?usage: bench.sh BUILD_DIR [ID]}
id=${2:-${BENCH:-}}
ran=0
for program in "$build"/bench/bench_*; do
    [ -f "$program" ] && [ -x "$program" ] || continue
    "$program" ${id:+"$id"}
    ran=1
done
if [ "$ran" = 0 ]; then
    echo "bench.sh: no bench programs in $build/bench" >&2
    exit 1
fi
