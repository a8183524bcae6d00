#!/usr/bin/env bash
# Builds the benchmarks in Release (build-bench at the top of the tree, or QUORVEL_BENCH_BUILD)
# and runs them all; every figure is one line ending in its ratio. Exits non-zero when a ratio
# misses its goal.
set -euo pipefail

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUORVEL_BENCH_BUILD:-$source_dir/build-bench}

cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUORVEL_WITH_GUI=OFF >/dev/null
cmake --build "$build_dir" --target benchmarks -j"${QUORVEL_JOBS:-2}" >/dev/null

export QUORVEL_BIN_DIR=$build_dir/bin
status=0
for bench in bench_profile_image bench_transactions bench_apply bench_key_set; do
    "$build_dir/bin/$bench" || status=1
done
exit $status
