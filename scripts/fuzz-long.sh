#!/usr/bin/env bash
# Runs the core's fuzzers for longer than the tests do: every fuzzer, or the named
# ones (reply, utf8, install_body, ...: the folders of fuzz/corpus/), each for the
# given time or number of executions, whichever ends first, several at once. Each
# keeps a corpus that grows from run to run in the build tree and starts from the
# seeds of fuzz/corpus/, which are only read. A fuzzer stops at its first crash or
# broken property and leaves the input beside its corpus.
#
#   scripts/fuzz-long.sh [-t seconds-each] [-n executions-each] [-j parallel] [-b build-dir] [name...]
#
# Defaults: 600 seconds each, no limit on executions, one at a time, build/native.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    sed -n 's/^#   //p' "$0" >&2
    exit 2
}

seconds=600
runs=-1
parallel=1
build=build/native
while getopts "t:n:j:b:h" option; do
    case $option in
        t) seconds=$OPTARG ;;
        n) runs=$OPTARG ;;
        j) parallel=$OPTARG ;;
        b) build=$OPTARG ;;
        *) usage ;;
    esac
done
shift $((OPTIND - 1))

if (($# > 0)); then
    names=("$@")
else
    names=()
    for source in fuzz/*_fuzzer.cpp; do
        names+=("$(basename "$source" _fuzzer.cpp)")
    done
fi
targets=()
for name in "${names[@]}"; do
    [[ -f fuzz/${name}_fuzzer.cpp ]] || { echo "no fuzzer named '$name'" >&2; usage; }
    targets+=("${name}_fuzzer")
done

cmake --preset native -B "$build" -DTIRNA_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

# One fuzzer's run; its figures go to $work/summary, its verdict to the exit status.
run_one() {
    local name=$1 work=$build/fuzz-long/$1
    mkdir -p "$work/corpus" "$work/crashes"
    local log=$work/last-run.log stamp=$work/last-run.start status=0
    touch "$stamp"
    echo "== $name: ${seconds} s or $runs executions, corpus $work/corpus, log $log"
    "$build/bin/${name}_fuzzer" "$work/corpus" "fuzz/corpus/$name" \
        -max_total_time="$seconds" -runs="$runs" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$work/crashes/" >"$log" 2>&1 || status=$?
    local executions crashes corpus
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    crashes=$(find "$work/crashes" -type f -newer "$stamp" | wc -l)
    corpus=$(find "$work/corpus" -type f | wc -l)
    printf '%-20s %12s %8s %8s\n' "$name" "${executions:-?}" "$crashes" "$corpus" >"$work/summary"
    if ((status != 0 || crashes > 0)); then
        grep -m1 -E 'property violated|runtime error|ERROR: ' "$log" || true
        return 1
    fi
}

failed=0
running=0
for name in "${names[@]}"; do
    if ((running >= parallel)); then
        wait -n || failed=1
        running=$((running - 1))
    fi
    run_one "$name" &
    running=$((running + 1))
done
while ((running > 0)); do
    wait -n || failed=1
    running=$((running - 1))
done

printf '\n%-20s %12s %8s %8s\n' fuzzer executions crashes corpus
for name in "${names[@]}"; do cat "$build/fuzz-long/$name/summary"; done
if ((failed)); then
    echo "crash inputs are in $build/fuzz-long/<name>/crashes/" >&2
    exit 1
fi
