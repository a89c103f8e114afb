#!/usr/bin/env bash
# The release archive: builds the shipped program (preset windows-release: the
# production service, no tests), checks its protections and packs it with its
# SHA-256 checksum into build/release/TirnaUIAuth-VERSION.zip, VERSION being the one
# project() sets in CMakeLists.txt. Prints the archive's path and the checksum.
# Installs what is missing; needs no input.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=build/windows-release
cmake --preset windows-release >/dev/null
cmake --build --preset windows-release
scripts/check-hardening.sh "$build/bin/TirnaUIAuth.exe"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || {
  echo "no project version in $build/CMakeCache.txt" >&2
  exit 1
}

out=build/release
stage="$out/TirnaUIAuth-$version"
archive="$out/TirnaUIAuth-$version.zip"
rm -rf "$stage" "$archive"
mkdir -p "$stage"
cp "$build/bin/TirnaUIAuth.exe" "$stage/"
# sha256sum's own format, so that "sha256sum -c TirnaUIAuth.exe.sha256" checks it.
(cd "$stage" && sha256sum TirnaUIAuth.exe >TirnaUIAuth.exe.sha256)
checksum=$(cut -d' ' -f1 "$stage/TirnaUIAuth.exe.sha256")
# -X: no owner or extra time fields in the archive; -j: the files at its top.
zip -q -X -j "$archive" "$stage/TirnaUIAuth.exe" "$stage/TirnaUIAuth.exe.sha256"
rm -rf "$stage"

echo "Archive:                    $archive"
echo "SHA-256 of TirnaUIAuth.exe: $checksum"
echo "SHA-256 of the archive:     $(sha256sum "$archive" | cut -d' ' -f1)"
