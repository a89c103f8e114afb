#!/usr/bin/env bash
# The release archive of the program for one service origin:
#
#   scripts/release.sh --origin URL [--sign CERT.pfx --password-file FILE [--timestamp URL]]
#
# URL is the service's origin, http://host[:port] or https://host[:port]: the program
# appends its endpoint and account page to it. The arguments are checked before
# anything is built; a missing, placeholder or malformed origin is refused.
#
# Builds the shipped program (preset windows-release, no tests) in build/release/windows
# from the commit that is checked out, with SOURCE_DATE_EPOCH the commit's time, so that
# every clone of the commit gives the same bytes; checks its protections; with --sign,
# signs it with Authenticode (SHA-256; osslsigncode reads the password from FILE) and
# verifies the signature against the certificates of the PFX itself; then packs
# build/release/TirnaUIAuth-VERSION.zip: the exe, its SHA-256 checksum, BUILDINFO (commit,
# SOURCE_DATE_EPOCH, origin, toolchain packages), CHANGELOG.md, NOTICES.txt (the notices of
# the components the linker took in, from its map) and TirnaUIAuth.spdx.json (the bill of
# materials, SPDX 2.3, naming the checksum of the exe as shipped, signed or not), VERSION
# being the one project() sets in CMakeLists.txt. Prints the archive's path and the checksums.
# Installs what is missing; needs no input.
set -euo pipefail
cd "$(dirname "$0")/.."

placeholder=http://parental.tirna.example
usage="usage: scripts/release.sh --origin URL [--sign CERT.pfx --password-file FILE [--timestamp URL]]"

refuse() {
  echo "release.sh: $*" >&2
  echo "$usage" >&2
  exit 2
}

origin="" pfx="" password_file="" timestamp=""
while [ $# -gt 0 ]; do
  case "$1" in
  --origin | --sign | --password-file | --timestamp)
    [ $# -ge 2 ] || refuse "$1 needs a value"
    case "$1" in
    --origin) origin=$2 ;;
    --sign) pfx=$2 ;;
    --password-file) password_file=$2 ;;
    --timestamp) timestamp=$2 ;;
    esac
    shift 2
    ;;
  *) refuse "unknown argument: $1" ;;
  esac
done

# Why ORIGIN is not an origin the program can be built with, or nothing.
origin_fault() {
  local url=$1 label='[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?'
  case "$url" in
  *'"'* | *\\*) echo "holds a quote or a backslash (it becomes a C++ string literal)" && return ;;
  http://* | https://*) ;;
  *) echo "is not http:// or https:// followed by the host" && return ;;
  esac
  local rest=${url#*://}
  case "$rest" in
  */) echo "ends with a slash (the program appends its endpoint and account page)" && return ;;
  */* | *'?'* | *'#'*) echo "has a path, a query or a fragment; only scheme, host and port belong" && return ;;
  esac
  local host=${rest%%:*}
  [ -n "$host" ] || { echo "has no host" && return; }
  [[ $host =~ ^$label(\.$label)*$ ]] || {
    echo "has a host that is no host name or IPv4 address: $host" && return
  }
  if [[ $rest == *:* ]]; then
    local port=${rest#*:}
    if ! [[ $port =~ ^[1-9][0-9]{0,4}$ ]] || ((port > 65535)); then
      echo "has a port that is not a number from 1 to 65535: $port" && return
    fi
  fi
  if [ "$host" = "${placeholder#http://}" ]; then
    echo "is the placeholder, which resolves nowhere: name the real service"
  fi
}

[ -n "$origin" ] || refuse "no --origin: a release names the service it talks to," \
  "for example --origin https://service.example.com"
fault=$(origin_fault "$origin")
[ -z "$fault" ] || refuse "the origin $origin $fault"

if [ -n "$pfx$password_file" ]; then
  if [ -z "$pfx" ] || [ -z "$password_file" ]; then
    refuse "--sign and --password-file go together"
  fi
  [ -r "$pfx" ] || refuse "cannot read the certificate $pfx"
  [ -r "$password_file" ] || refuse "cannot read the password file $password_file"
  pfx=$(realpath "$pfx") password_file=$(realpath "$password_file")
fi
if [ -n "$timestamp" ]; then
  [ -n "$pfx" ] || refuse "--timestamp needs --sign"
  [[ $timestamp =~ ^https?://[^\ ]+$ ]] || refuse "the timestamp server $timestamp is no http(s) URL"
fi

# The commit is what a release is built from and what BUILDINFO names.
top=$(git rev-parse --show-toplevel 2>/dev/null) || top=""
if [ -z "$top" ] || ! [ "$top" -ef . ]; then
  refuse "$(pwd) is not a git checkout: a release is built from a commit" \
    "(its time is SOURCE_DATE_EPOCH, and BUILDINFO names it); clone the repository"
fi
commit=$(git rev-parse HEAD) uncommitted=""
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "release.sh: uncommitted changes are built too; BUILDINFO says so" >&2
  uncommitted=yes
fi

bash scripts/install-deps.sh

if [ -n "$pfx" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # The PFX's certificates, which the signature is verified against: opening the
  # PFX also checks the password before the build.
  openssl pkcs12 -in "$pfx" -passin "file:$password_file" -nokeys -out "$work/chain.pem" ||
    refuse "cannot open $pfx with the password in $password_file"
fi

build=build/release/windows
cmake --preset windows-release -B "$build" -DTIRNA_SERVICE_ORIGIN="$origin" >/dev/null
cmake --build "$build" --parallel 2
exe="$build/bin/TirnaUIAuth.exe"
scripts/check-hardening.sh "$exe"

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
if [ -n "$pfx" ]; then
  osslsigncode sign -pkcs12 "$pfx" -readpass "$password_file" -h sha256 \
    ${timestamp:+-ts "$timestamp"} -in "$exe" -out "$stage/TirnaUIAuth.exe" >/dev/null
  osslsigncode verify -CAfile "$work/chain.pem" -in "$stage/TirnaUIAuth.exe" >"$work/verify.txt" || {
    cat "$work/verify.txt" >&2
    echo "release.sh: the signature of the exe does not verify" >&2
    exit 1
  }
  signer=$(openssl pkcs12 -in "$pfx" -passin "file:$password_file" -nokeys -clcerts |
    openssl x509 -noout -subject -nameopt RFC2253)
  signature="Authenticode, SHA-256, by ${signer#subject=}"
  signature+="${timestamp:+, timestamped by $timestamp}"
else
  cp "$exe" "$stage/TirnaUIAuth.exe"
  signature=none
fi
# sha256sum's own format, so that "sha256sum -c TirnaUIAuth.exe.sha256" checks it.
(cd "$stage" && sha256sum TirnaUIAuth.exe >TirnaUIAuth.exe.sha256)
checksum=$(cut -d' ' -f1 "$stage/TirnaUIAuth.exe.sha256")

{
  echo "TirnaUIAuth $version"
  echo "commit: $commit${uncommitted:+, with uncommitted changes}"
  echo "SOURCE_DATE_EPOCH: $SOURCE_DATE_EPOCH ($(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC'))"
  echo "origin: $origin"
  echo "signature: $signature"
  echo "built with these Debian packages:"
  dpkg-query -W -f='  ${Package} ${Version}\n' g++-mingw-w64-x86-64-posix \
    gcc-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix-runtime binutils-mingw-w64-x86-64 \
    mingw-w64-common mingw-w64-x86-64-dev osslsigncode cmake ninja-build zip
  echo "The same commit built with the same packages gives the same exe (its signature"
  echo "removed: osslsigncode remove-signature); see the README's section Release."
  echo "NOTICES.txt: the components linked into the exe, from the linker's map, with the notices"
  echo "of their packages' copyright files. TirnaUIAuth.spdx.json: the bill of materials (SPDX"
  echo "2.3): the program, the SHA-256 of this exe, and each component with its package,"
  echo "version and license."
} >"$stage/BUILDINFO"
cp CHANGELOG.md "$stage/"
# After signing: the bill names the checksum of the exe as shipped.
python3 scripts/notices.py --map "$exe.map" --out "$stage/NOTICES.txt" \
  --spdx "$stage/TirnaUIAuth.spdx.json" --exe "$stage/TirnaUIAuth.exe" --version "$version" \
  --commit "$commit" --epoch "$SOURCE_DATE_EPOCH" ${uncommitted:+--uncommitted}

# The archive depends on the files' bytes alone: a fixed order, modes and times (the
# commit's, in UTC, as zip stores local time; zip's dates start in 1980), no extra
# fields (-X), no directory entries (-j -D).
files=(TirnaUIAuth.exe TirnaUIAuth.exe.sha256 BUILDINFO CHANGELOG.md NOTICES.txt TirnaUIAuth.spdx.json)
zip_time=$((SOURCE_DATE_EPOCH > 315532800 ? SOURCE_DATE_EPOCH : 315532800))
for f in "${files[@]}"; do
  chmod 644 "$stage/$f"
  TZ=UTC touch -d "@$zip_time" "$stage/$f"
done
TZ=UTC zip -q -X -j -D "$archive" "${files[@]/#/$stage/}"
rm -rf "$stage"

echo "Archive:                    $archive"
echo "SHA-256 of TirnaUIAuth.exe: $checksum"
echo "SHA-256 of the archive:     $(sha256sum "$archive" | cut -d' ' -f1)"
