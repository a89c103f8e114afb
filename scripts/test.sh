#!/usr/bin/env bash
# Builds everything and runs every test: the Windows program and its tests under
# Wine, the platform-free core natively under the sanitizers, and the release of the
# commit (scripts/check-release.sh, committed work only, with a time-out of its own).
# TIRNA_TEST_PORT (default 47110) is the loopback port of the service that the Windows
# build talks to and its tests play, so that two work trees can run their tests at once.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

timeout --kill-after=10 600 scripts/check-release.sh

cmake --preset windows -DTIRNA_SERVICE_ORIGIN="http://127.0.0.1:${TIRNA_TEST_PORT:-47110}" >/dev/null
cmake --build --preset windows
# The tests run on the session's private Xvfb display, never on the caller's.
unset TIRNA_USE_DISPLAY
scripts/wine-session.sh start build/windows
trap 'scripts/wine-session.sh stop build/windows' EXIT
ctest --preset windows
