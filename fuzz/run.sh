#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in the sanitizer build folder it shares with
# scripts/test-asan (scripts/configure-asan) and runs each for SECONDS (default 60), as many at
# once as there are cores: each target is one process on one core, so running them side by side
# gives every target its full time in a fraction of the wall time. Fails when a target finds a
# crash, a leak, a sanitizer report or a timeout; the input that caused it is kept under
# fuzz/findings/<target>/.
#
#   fuzz/run.sh [SECONDS]
#   QUORVEL_FUZZ_BUILD=<folder>  build folder (default build-asan at the top of the tree)
#   QUORVEL_FUZZ_TARGETS="fuzz_ini_file ..."  run only these
#   QUORVEL_JOBS=<n>  compile jobs and targets run at once (default: the number of cores)
set -euo pipefail

seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
    echo "usage: $0 [SECONDS]" >&2
    exit 2
fi

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUORVEL_FUZZ_BUILD:-$source_dir/build-asan}
jobs=${QUORVEL_JOBS:-$(nproc)}
targets=${QUORVEL_FUZZ_TARGETS:-fuzz_profile_image fuzz_macro_area fuzz_key_table fuzz_ini_file \
    fuzz_profile_json fuzz_keyboard_json fuzz_report_descriptor fuzz_reply_slot \
    fuzz_vkbd_firmware fuzz_vkbd_state fuzz_vkbd_command fuzz_cli_words fuzz_app_rules}

"$source_dir/scripts/configure-asan" "$build_dir"
cmake --build "$build_dir" --target $targets fuzz_seeds -j"$jobs"

fuzz_bin=$build_dir/fuzz
seeds=$fuzz_bin/seeds
"$fuzz_bin/fuzz_seeds" "$seeds"

# Runs one target; its log says how it went.
fuzz_one() {
    local target=$1
    # New inputs go to a working corpus in the build folder; the committed and generated
    # seeds are only read.
    local work=$fuzz_bin/corpus/$target
    local findings=$source_dir/fuzz/findings/$target
    mkdir -p "$work" "$findings"
    local corpora=("$work")
    for dir in "$source_dir/fuzz/corpus/$target" "$seeds/$target"; do
        [ -d "$dir" ] && corpora+=("$dir")
    done
    "$fuzz_bin/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
        "${corpora[@]}" >"$fuzz_bin/$target.log" 2>&1
}

declare -A running=()
declare -A status=()
# Waits for one running target and notes how it ended.
reap_one() {
    local pid=""
    local code=0
    wait -n -p pid "${!running[@]}" || code=$?
    status[${running[$pid]}]=$code
    unset "running[$pid]"
}

for target in $targets; do
    [ ${#running[@]} -lt "$jobs" ] || reap_one
    echo "== $target: ${seconds}s"
    fuzz_one "$target" &
    running[$!]=$target
done
while [ ${#running[@]} -gt 0 ]; do reap_one; done

failed=()
for target in $targets; do
    log=$fuzz_bin/$target.log
    findings=$source_dir/fuzz/findings/$target
    if [ "${status[$target]}" -eq 0 ]; then
        echo "== $target"
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
