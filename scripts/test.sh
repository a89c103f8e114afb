#!/usr/bin/env bash
# Builds everything and runs every test: the Windows program and its tests under
# Wine, the platform-free core natively under the sanitizers, and the release of the
# commit (scripts/check-release.sh, committed work only, with a time-out of its own).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

timeout --kill-after=10 600 scripts/check-release.sh

cmake --preset windows >/dev/null
cmake --build --preset windows
# The tests run on the session's private Xvfb display, never on the caller's.
unset TIRNA_USE_DISPLAY
scripts/wine-session.sh start build/windows
trap 'scripts/wine-session.sh stop build/windows' EXIT
ctest --preset windows
