#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build folder and runs each for SECONDS
# (default 60). Fails when a target finds a crash, a leak, a sanitizer report or a timeout;
# the input that caused it is kept under fuzz/findings/<target>/.
#
#   fuzz/run.sh [SECONDS]
#   QUORVEL_FUZZ_BUILD=<folder>  build folder (default build-fuzz at the top of the tree)
#   QUORVEL_FUZZ_TARGETS="fuzz_ini_file ..."  run only these
set -euo pipefail

seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
    echo "usage: $0 [SECONDS]" >&2
    exit 2
fi

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUORVEL_FUZZ_BUILD:-$source_dir/build-fuzz}
targets=${QUORVEL_FUZZ_TARGETS:-fuzz_profile_image fuzz_macro_area fuzz_key_table fuzz_ini_file \
    fuzz_profile_json fuzz_keyboard_json fuzz_report_descriptor fuzz_reply_slot \
    fuzz_vkbd_firmware fuzz_vkbd_state fuzz_vkbd_command fuzz_cli_words}

CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_FUZZ=ON -DQUORVEL_WITH_GUI=OFF >/dev/null
cmake --build "$build_dir" --target $targets fuzz_seeds -j"${QUORVEL_JOBS:-2}"

fuzz_bin=$build_dir/fuzz
seeds=$fuzz_bin/seeds
"$fuzz_bin/fuzz_seeds" "$seeds"

failed=()
for target in $targets; do
    # New inputs go to a working corpus in the build folder; the committed and generated
    # seeds are only read.
    work=$fuzz_bin/corpus/$target
    findings=$source_dir/fuzz/findings/$target
    mkdir -p "$work" "$findings"
    corpora=("$work")
    for dir in "$source_dir/fuzz/corpus/$target" "$seeds/$target"; do
        [ -d "$dir" ] && corpora+=("$dir")
    done
    echo "== $target: ${seconds}s"
    log=$fuzz_bin/$target.log
    if "$fuzz_bin/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
        "${corpora[@]}" >"$log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^Done ' "$log" || true
    else
        failed+=("$target")
        tail -n 40 "$log"
        echo "== $target FAILED; input kept in $findings/" >&2
    fi
    rmdir "$findings" 2>/dev/null || true
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzzing found problems in: ${failed[*]}" >&2
    exit 1
fi
echo "all fuzz targets ran ${seconds}s without findings"
