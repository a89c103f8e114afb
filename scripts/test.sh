#!/usr/bin/env bash
# Builds everything and runs every test: the Windows program and its tests under
# Wine, and the platform-free core natively under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

cmake --preset windows >/dev/null
cmake --build --preset windows
# The tests run on the session's private Xvfb display, never on the caller's.
unset TIRNA_USE_DISPLAY
scripts/wine-session.sh start build/windows
trap 'scripts/wine-session.sh stop build/windows' EXIT
ctest --preset windows
