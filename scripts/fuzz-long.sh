#!/usr/bin/env bash
# Runs the core's fuzzers for longer than the tests do: every fuzzer, or the named
# ones (reply, utf8, install_body, ...: the folders of fuzz/corpus/), each for the
# given time. Each keeps a corpus that grows from run to run in the build tree and
# starts from the seeds of fuzz/corpus/, which are only read. A fuzzer stops at its
# first crash or broken property and leaves the input beside its corpus.
#
#   scripts/fuzz-long.sh [-t seconds-each] [-b build-dir] [name...]
#
# Defaults: 600 seconds each, build/native.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    sed -n 's/^#   //p' "$0" >&2
    exit 2
}

seconds=600
build=build/native
while getopts "t:b:h" option; do
    case $option in
        t) seconds=$OPTARG ;;
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

summary=()
failed=0
for name in "${names[@]}"; do
    work=$build/fuzz-long/$name
    mkdir -p "$work/corpus" "$work/crashes"
    log=$work/last-run.log
    stamp=$work/last-run.start
    touch "$stamp"
    echo "== $name: ${seconds} s, corpus $work/corpus, log $log"
    status=0
    "$build/bin/${name}_fuzzer" "$work/corpus" "fuzz/corpus/$name" \
        -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$work/crashes/" >"$log" 2>&1 || status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    crashes=$(find "$work/crashes" -type f -newer "$stamp" | wc -l)
    corpus=$(find "$work/corpus" -type f | wc -l)
    if ((status != 0 || crashes > 0)); then
        failed=1
        grep -m1 -E 'property violated|runtime error|ERROR: ' "$log" || true
    fi
    summary+=("$(printf '%-20s %12s %8s %8s' "$name" "${executions:-?}" "$crashes" "$corpus")")
done

printf '\n%-20s %12s %8s %8s\n' fuzzer executions crashes corpus
printf '%s\n' "${summary[@]}"
if ((failed)); then
    echo "crash inputs are in $build/fuzz-long/<name>/crashes/" >&2
    exit 1
fi
