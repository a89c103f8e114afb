#!/usr/bin/env bash
# Builds the program and runs its main job, an installer run, under Wine: on the
# caller's display when there is one, otherwise on a private Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target TirnaUIAuth

[ -n "${DISPLAY:-}" ] && export TIRNA_USE_DISPLAY=1
scripts/wine-session.sh start build/windows
trap 'scripts/wine-session.sh stop build/windows' EXIT
build/windows/wine-run.sh build/windows/bin/TirnaUIAuth.exe /installer
