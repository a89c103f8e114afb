#!/usr/bin/env bash
# Benchmarks TirnaUIAuth.exe against floor programs under Wine and writes the
# table of ratios into docs/PERFORMANCE.md. From a fresh clone:
#   bench/run.sh
# Installs what is missing, builds the program and the benchmark's programs in
# build/bench (service origin: the stand-in service on loopback port 47170),
# starts Xvfb, the Wine server and the stand-in service, measures, and stops
# them again. Raw figures stay in build/bench/results.
#   BENCH_RUNS=30   measured runs per program and figure (use 20 or more)
#   BENCH_DOC=path  document to update (empty: only print the tables)
#   BENCH_BLOCK=quiet|loaded  which recorded run of the document to replace:
#                   quiet (the default) on an idle machine, loaded with other work on it
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

runs=${BENCH_RUNS:-30}
warmup=2
doc=${BENCH_DOC-docs/PERFORMANCE.md}
block=${BENCH_BLOCK:-quiet}
port=47170
build=build/bench
results=$build/results
service="/usr/bin/python3 $root/devservice/tirna_devservice.py"
user=bench.parent
password=bench-password
state_key='HKLM\SOFTWARE\TirnaParental\State'

bash scripts/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DTIRNA_SERVICE_ORIGIN="http://127.0.0.1:$port" \
  -DTIRNA_BUILD_TESTS=OFF -DTIRNA_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target bench

# A service left by an interrupted run gives way before its pidfile goes.
$service stop --pidfile "$results/service.pid" >/dev/null 2>&1 || true
rm -rf "$results"
mkdir -p "$results"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

cleanup() {
  $service stop --pidfile "$results/service.pid" >/dev/null 2>&1 || true
  scripts/wine-session.sh stop "$build"
  rm -f "$results/service.sqlite3"
}
trap cleanup EXIT

# A session left by an interrupted run is ended first; the benchmark always uses
# its own Xvfb display, never the caller's (wine-run.sh runs every program there).
scripts/wine-session.sh stop "$build"
unset TIRNA_USE_DISPLAY
scripts/wine-session.sh start "$build"
wine_run="$build/wine-run.sh"

$service serve --background --port "$port" --db "$results/service.sqlite3" \
  --pidfile "$results/service.pid" --log "$results/service.log" >/dev/null
digest=$($service seed --db "$results/service.sqlite3" --user "$user" --password "$password" \
  --email bench@example.com --profile Alice | sed -n 's/^pmd5: //p')
# Valid stored credentials, as the product leaves them after a successful sign-in.
"$wine_run" reg add "$state_key" /v AuthInfoUserName /t REG_SZ /d "$user" /f >/dev/null
"$wine_run" reg add "$state_key" /v AuthInfoMD5 /t REG_SZ /d "$digest" /f >/dev/null

# An authuser body of the program's shape, for the floor programs to post.
body="action=authuser&did=AA-AA-AA-AA-000306A9-00100800-7FFAFBBF-BFEBFBFF&uname=$user&pmd5=$digest"

winpath() { local p="$root/$build/bin/$1"; printf '"Z:%s"' "${p//\//\\}"; }
winresult() { local p="$root/$results/$1"; printf '"Z:%s"' "${p//\//\\}"; }
measure() { "$wine_run" "$root/$build/bin/measure.exe" "$@"; }

echo "Load before: $load_before. $runs runs of each program, interleaved."
echo "start -> window: floor window vs /signin"
measure window "$runs" "$warmup" "floor=$(winpath floor_window.exe)" \
  "program=$(winpath TirnaUIAuth.exe) /signin" >"$results/signin.tsv"
echo "start -> exit: floor POST vs ordinary start with valid credentials"
measure exit "$runs" "$warmup" "floor=$(winpath floor_post.exe) $body" \
  "program=$(winpath TirnaUIAuth.exe)" >"$results/check.tsv"
echo "start -> window: floor window with one POST vs /installer"
measure window "$runs" "$warmup" "floor=$(winpath floor_window_post.exe) $body" \
  "program=$(winpath TirnaUIAuth.exe) /installer" >"$results/installer.tsv"
echo "steps to the first paint, in-process: floor window vs /signin"
measure exit "$runs" "$warmup" \
  "floor=$(winpath window_parts.exe) floor $(winresult window_parts_floor.txt)" \
  "program=$(winpath window_parts.exe) wizard $(winresult window_parts_wizard.txt)" >/dev/null
echo "installer start-up parts, one fresh process each"
for _ in $(seq 1 "$runs"); do
  "$wine_run" "$root/$build/bin/startup_parts.exe"
done >"$results/startup_parts.tsv"
echo "GDI objects across repaints"
"$wine_run" "$root/$build/bin/gdi_count.exe" >"$results/gdi.tsv" || {
  echo "gdi_count failed (exit $?):" >&2
  cat "$results/gdi.tsv" >&2
  exit 1
}

for exe in TirnaUIAuth.exe floor_window.exe floor_post.exe; do
  printf '%s\t%s\n' "$exe" "$(stat -c %s "$build/bin/$exe")"
done >"$results/sizes.tsv"
{
  printf 'CPU\t%s\n' "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
  printf 'cores\t%s\n' "$(nproc)"
  printf 'Wine\t%s\n' "$(wine --version 2>/dev/null)"
  printf 'kernel\t%s\n' "$(uname -r)"
  printf 'date\t%s\n' "$(date -u '+%Y-%m-%d %H:%M UTC')"
  printf 'load average before / after\t%s / %s\n' "$load_before" "$(cut -d' ' -f1-3 /proc/loadavg)"
} >"$results/machine.tsv"

doc_args=()
[ -n "$doc" ] && doc_args=(--doc "$doc" --block "$block")
echo
/usr/bin/python3 bench/summarize.py "$results" "${doc_args[@]}"
