#!/usr/bin/env bash
# Builds the check kit that the product's team runs on Windows 10 and 11
# (docs/WINDOWS-CHECKS.md): build/kit/TirnaUIAuth-checks-VERSION.zip, holding
#   TirnaUIAuth.exe      the program, built with the windows preset for the loopback
#                        origin that the harness plays (port TIRNA_TEST_PORT, default 47110)
#   blackbox_tests.exe, inprocess_tests.exe   the black-box and in-process test programs
#   run-checks.exe       the runner
#   NOTICES.txt          what the kit's programs link (scripts/notices.py, from their link maps)
#   WINDOWS-CHECKS.md    how to run it and read its output
#
#   scripts/kit.sh                 configures and builds build/kit, then packs
#   scripts/kit.sh --from BUILD    packs the programs of a windows build already built
# The release (scripts/release.sh) and its check build nothing of this.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/kit
if [ $# -eq 2 ] && [ "$1" = --from ]; then
  build=$2
elif [ $# -eq 0 ]; then
  bash scripts/install-deps.sh
  cmake --preset windows -B "$build" \
    -DTIRNA_SERVICE_ORIGIN="http://127.0.0.1:${TIRNA_TEST_PORT:-47110}" >/dev/null
  cmake --build "$build" --parallel 2 --target TirnaUIAuth blackbox_tests inprocess_tests run-checks
else
  echo "usage: scripts/kit.sh [--from BUILD_DIR]" >&2
  exit 2
fi

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || {
  echo "kit.sh: no project version in $build/CMakeCache.txt" >&2
  exit 1
}
programs=(TirnaUIAuth.exe blackbox_tests.exe inprocess_tests.exe run-checks.exe)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
maps=()
for program in "${programs[@]}"; do
  cp "$build/bin/$program" "$stage/"
  maps+=(--map "$build/bin/$program.map")
done
python3 scripts/notices.py "${maps[@]}" --out "$stage/NOTICES.txt"
cp docs/WINDOWS-CHECKS.md "$stage/"

archive="$(cd "$build" && pwd)/TirnaUIAuth-checks-$version.zip"
rm -f "$archive"
(cd "$stage" && zip -q -X "$archive" "${programs[@]}" NOTICES.txt WINDOWS-CHECKS.md)
echo "Kit: $archive"
