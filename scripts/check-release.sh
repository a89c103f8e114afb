#!/usr/bin/env bash
# Checks scripts/release.sh on the commit that is checked out (HEAD), in fresh clones,
# so that committed work only is checked:
#   - it refuses, before building anything, without --origin, with the placeholder, with
#     malformed origins and with half the signing options;
#   - two releases with the same origin, from two clones in different folders (one with
#     a space in its path), one after the other and the second with another time zone
#     and umask, give the same exe and the same zip, byte for byte; the archive holds
#     its six files in order, with the commit's time and fixed modes, a checksum that
#     checks, BUILDINFO naming the commit, its time and the origin, and the origin in
#     the exe; NOTICES.txt has the notice of every file of the toolchain that the link
#     map names; the SPDX bill of materials has the structure SPDX 2.3 requires (checked
#     here field by field: no SPDX validator is at hand), names the exe's checksum and
#     the commit, and lists the components of NOTICES.txt, linked into the program;
#   - a release signed with a throwaway self-signed code-signing certificate verifies
#     with osslsigncode (a changed byte does not), gives back the unsigned exe byte for
#     byte when its signature is removed, has a bill naming the signed exe's checksum,
#     and still carries its version information.
# Release builds of the program alone: about a minute on two cores. scripts/test.sh
# runs it with a time-out; alone:
#   scripts/check-release.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

origin=http://service.example.test
commit=$(git rev-parse HEAD)
echo "Checking the release of commit $commit (HEAD): committed work only, built from clones"
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  echo "(the uncommitted changes of $(pwd) are not part of this check)"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
trap 'exit 1' INT TERM
first="$tmp/first"
second="$tmp/clone two/second"
for clone in "$first" "$second"; do
  git clone -q --no-checkout . "$clone"
  git -C "$clone" checkout -q --detach "$commit"
done

fail() {
  echo "check-release: FAILED: $*" >&2
  exit 1
}

# A throwaway code-signing certificate; its password only ever in a file.
keys="$tmp/signing key"
mkdir "$keys"
openssl rand -base64 24 >"$keys/password"
openssl req -x509 -newkey rsa:2048 -noenc -keyout "$keys/key.pem" -out "$keys/cert.pem" -days 2 \
  -subj "/CN=TirnaUIAuth release check" -addext "keyUsage=critical,digitalSignature" \
  -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/cert.pem" -out "$keys/test cert.pfx" \
  -passout "file:$keys/password"

# Each row: a part of the refusal's reason, then the arguments.
refused() {
  local reason=$1 out
  shift
  if out=$("$first/scripts/release.sh" "$@" 2>&1); then
    fail "release.sh $* did not refuse"
  fi
  grep -qF -- "$reason" <<<"$out" || fail "release.sh $* refused without saying \"$reason\": $out"
  [ ! -e "$first/build" ] || fail "release.sh $* refused after building"
}
refused "no --origin"
refused "needs a value" --origin
refused "placeholder" --origin http://parental.tirna.example
refused "placeholder" --origin https://parental.tirna.example:8443
refused "has a path" --origin "$origin/tirna"
refused "ends with a slash" --origin "$origin/"
refused "quote or a backslash" --origin "$origin\""
refused "quote or a backslash" --origin 'http://service\example.test'
refused "not http:// or https://" --origin ftp://service.example.test
refused "not http:// or https://" --origin service.example.test
refused "no host" --origin http://:8080
refused "no host name" --origin http://parent@service.example.test
refused "port that is not" --origin "$origin:65536"
refused "port that is not" --origin "$origin:"
refused "port that is not" --origin "$origin:80a"
refused "go together" --origin "$origin" --sign "$tmp/absent.pfx"
refused "needs --sign" --origin "$origin" --timestamp http://timestamp.example.test
refused "cannot open" --origin "$origin" --sign "$keys/test cert.pfx" --password-file "$keys/key.pem"
echo "ok: release.sh refuses a missing, placeholder or malformed origin before building"

release() {
  local clone=$1 start=$SECONDS
  shift
  (cd "$clone" && scripts/release.sh --origin "$origin" "$@") >"$tmp/release.log" 2>&1 || {
    cat "$tmp/release.log" >&2
    fail "release.sh in $clone"
  }
  echo "   release built in $clone in $((SECONDS - start)) s"
}
version=$(git show "$commit:CMakeLists.txt" | sed -n 's/^project(TirnaUIAuth VERSION \([0-9.]*\) .*/\1/p')
[ -n "$version" ] || fail "no project(TirnaUIAuth VERSION ...) in the CMakeLists.txt of $commit"
zip_of() { echo "$1/build/release/TirnaUIAuth-$version.zip"; }
sha() { sha256sum "$1" | cut -d' ' -f1; }

release "$first"
(umask 077 && export TZ=XYZ-13 && release "$second")
for f in TirnaUIAuth.exe zip; do
  a="$tmp/first.$f" b="$tmp/second.$f"
  if [ $f = zip ]; then
    cp "$(zip_of "$first")" "$a" && cp "$(zip_of "$second")" "$b"
  else
    unzip -p "$(zip_of "$first")" $f >"$a" && unzip -p "$(zip_of "$second")" $f >"$b"
  fi
  cmp "$a" "$b" || fail "the two builds' $f differ"
  echo "ok: the two builds give the same $f, SHA-256 $(sha "$a")"
done

unpacked="$tmp/unpacked"
unzip -q "$tmp/first.zip" -d "$unpacked"
entries=$(zipinfo -1 "$tmp/first.zip" | tr '\n' ' ')
[ "$entries" = "TirnaUIAuth.exe TirnaUIAuth.exe.sha256 BUILDINFO CHANGELOG.md NOTICES.txt TirnaUIAuth.spdx.json " ] ||
  fail "the archive holds $entries"
epoch=$(git log -1 --format=%ct "$commit")
# zip keeps times to two seconds, an odd second rounded up (a commit made at 22:13:59 is
# stored as 22:14:00), in the time zone release.sh gave it: UTC.
stamp=$(TZ=UTC date -d "@$((epoch + epoch % 2))" +%Y%m%d.%H%M%S)
odd=$(zipinfo -T -s "$tmp/first.zip" | awk -v stamp="$stamp" \
  '/^-/ && ($1 != "-rw-r--r--" || $7 != stamp) {print $NF}')
[ -z "$odd" ] || fail "entries without mode 644 or the commit's time ($stamp): $odd"
(cd "$unpacked" && sha256sum --quiet -c TirnaUIAuth.exe.sha256) || fail "the archive's checksum"
cmp "$unpacked/CHANGELOG.md" "$first/CHANGELOG.md" || fail "the archive's CHANGELOG.md"
for line in "commit: $commit\$" "SOURCE_DATE_EPOCH: $epoch " "origin: $origin" "signature: none" \
  "  g++-mingw-w64-x86-64-posix " "  binutils-mingw-w64-x86-64 " "  mingw-w64-x86-64-dev "; do
  grep -q "^$line" "$unpacked/BUILDINFO" || fail "BUILDINFO has no line \"$line\""
done
strings -e l "$unpacked/TirnaUIAuth.exe" | grep -qxF "$origin/device_point.php" ||
  fail "the exe does not post to $origin/device_point.php"
echo "ok: the archive's entries, times, modes, checksum, BUILDINFO and CHANGELOG.md; the origin in the exe"

# Every file the linker took from the toolchain (the archive members it included, the object
# files it loaded), read from its map here, has a section in NOTICES.txt that names its
# Debian package and version, lists it and carries a notice: copyright stanzas, or, for the
# GCC Runtime Library Exception, the line that none is needed.
map="$first/build/release/windows/bin/TirnaUIAuth.exe.map"
taken=$({
  sed -n '/^Archive member included/,/^Discarded input sections/s/^\(\/usr\/[^(]*\)(.*/\1/p' "$map"
  sed -n 's/^LOAD \(\/usr\/.*\.o\)$/\1/p' "$map"
} | xargs -r realpath | sort -u)
[ -n "$taken" ] || fail "the link map $map names no file of the toolchain"
noticed=$(awk '
  function flush() { if (package != "") for (i in files) print package, files[i], notice }
  /^Package: / { flush(); package = $2 " " $3; notice = "no"; delete files }
  /^Linked from: / { sub(/^Linked from: /, ""); split($0, files, ", ") }
  /^License: .* WITH GCC-exception-3\.1$/ { exception = 1 }
  /^Notice: none needed\./ && exception { notice = "yes" }
  /^Copyright: / { notice = "yes" }
  /^=+$/ { exception = 0 }
  END { flush() }' "$unpacked/NOTICES.txt")
owned=$(dpkg-query -S $taken) || fail "dpkg owns not every file of $taken"
declare -A versions
while read -r package version_of_package; do
  versions[$package]=$version_of_package
done < <(dpkg-query -W -f='${Package} ${Version}\n' $(cut -d: -f1 <<<"$owned" | sort -u))
while IFS= read -r entry; do
  package=${entry%%:*} file=${entry##*: }
  line="$package ${versions[$package]} $(basename "$file") yes"
  grep -qxF "$line" <<<"$noticed" || fail "NOTICES.txt has no notice of $file: no section \"$line\""
done <<<"$owned"
echo "ok: NOTICES.txt has the notice of each of the $(wc -w <<<"$taken") files the linker took from the toolchain"

# The bill of materials' structure (no SPDX validator is at hand): the document's required
# fields, created and namespace from the commit, the program with its version, commit,
# checksum and no license asserted, and each component of NOTICES.txt with the package version
# it names, linked statically into the program. Prints what is wrong, nothing when all is right.
spdx_problems() {
  local bill=$1 exe_sha=$2
  local components
  components=$(sed -n '1,/^====/s/^  \([^ ].*[^ ]\) \{2,\}[^ ]* \([^ ]*\)$/\1|\2/p' "$(dirname "$bill")/NOTICES.txt" | sort)
  jq -r --arg commit "$commit" --arg version "$version" --arg sha "$exe_sha" \
    --arg created "$(date -u -d "@$epoch" +%Y-%m-%dT%H:%M:%SZ)" --arg components "$components" '
    def want(test; message): if test then empty else message end;
    . as $doc | ([.packages[] | select(.name == "TirnaUIAuth")] | first) as $program
    | ($program.SPDXID // "none") as $id
    | [.packages[] | select(.SPDXID != $id)] as $parts
    | want(.spdxVersion == "SPDX-2.3"; "spdxVersion is not SPDX-2.3"),
      want(.dataLicense == "CC0-1.0"; "dataLicense is not CC0-1.0"),
      want(.SPDXID == "SPDXRef-DOCUMENT"; "the document SPDXID is not SPDXRef-DOCUMENT"),
      want((.name | type) == "string" and .name != ""; "the document has no name"),
      want((.documentNamespace // "") | startswith("https://") and contains($commit) and contains($sha);
        "documentNamespace is no https URI made of the commit and the checksum"),
      want(.creationInfo.created == $created; "created is not the commit time \($created)"),
      want((.creationInfo.creators // []) | length > 0 and all(test("^(Tool|Organization|Person): "));
        "creators is empty or malformed"),
      want($program != null; "no package TirnaUIAuth"),
      want(.documentDescribes == [$id]; "documentDescribes is not the program"),
      want(any(.relationships[]; . == {spdxElementId: "SPDXRef-DOCUMENT", relationshipType: "DESCRIBES",
        relatedSpdxElement: $id}); "no relationship: the document DESCRIBES the program"),
      want($program.versionInfo == $version; "the program version is not \($version)"),
      want(($program.sourceInfo // "") | contains($commit); "the program does not name the commit"),
      want($program.checksums == [{algorithm: "SHA256", checksumValue: $sha}];
        "the program checksum is not the SHA-256 of the exe, \($sha)"),
      want([$program | .licenseConcluded, .licenseDeclared, .copyrightText] == ["NOASSERTION",
        "NOASSERTION", "NOASSERTION"]; "the program asserts a license or copyright"),
      (.packages[] | want((.SPDXID // "") | test("^SPDXRef-[A-Za-z0-9.-]+$"); "a package has no valid SPDXID"),
        want(.name and .downloadLocation and (.filesAnalyzed == false);
          "package \(.SPDXID): name, downloadLocation or filesAnalyzed"),
        want(.licenseDeclared != null; "package \(.SPDXID) declares no license")),
      want([.packages[].SPDXID] | length == (unique | length); "two packages share an SPDXID"),
      ($parts[] | . as $part | want(any($doc.relationships[]; . == {spdxElementId: $id,
        relationshipType: "STATIC_LINK", relatedSpdxElement: $part.SPDXID});
        "no relationship: the program STATIC_LINK \($part.SPDXID)")),
      want(([$parts[] | "\(.name)|\(.versionInfo)"] | sort | join("\n")) == $components;
        "the components are not those of NOTICES.txt: \([$parts[].name])"),
      ([.packages[].licenseDeclared | scan("LicenseRef-[A-Za-z0-9.-]+")] | unique[] as $ref
        | want(any($doc.hasExtractedLicensingInfos[]?; .licenseId == $ref and (.extractedText | length > 0));
          "\($ref) has no extracted text"))' "$bill"
}
problems=$(spdx_problems "$unpacked/TirnaUIAuth.spdx.json" "$(sha "$unpacked/TirnaUIAuth.exe")")
[ -z "$problems" ] || fail "the bill of materials: $problems"
echo "ok: the bill of materials names the exe's checksum, the commit, and the components of NOTICES.txt"

release "$first" --sign "$keys/test cert.pfx" --password-file "$keys/password"
signed="$tmp/signed"
unzip -q "$(zip_of "$first")" -d "$signed"
(cd "$signed" && sha256sum --quiet -c TirnaUIAuth.exe.sha256) || fail "the signed archive's checksum"
problems=$(spdx_problems "$signed/TirnaUIAuth.spdx.json" "$(sha "$signed/TirnaUIAuth.exe")")
[ -z "$problems" ] || fail "the signed archive's bill of materials: $problems"
cmp "$signed/NOTICES.txt" "$unpacked/NOTICES.txt" || fail "the signed archive's NOTICES.txt"
grep -q "^signature: Authenticode, SHA-256, by CN=TirnaUIAuth release check$" "$signed/BUILDINFO" ||
  fail "BUILDINFO does not name the signature"
osslsigncode verify -CAfile "$keys/cert.pem" -in "$signed/TirnaUIAuth.exe" >"$tmp/verify.log" ||
  fail "osslsigncode verify refuses the signed exe: $(cat "$tmp/verify.log")"
grep -q "Message digest algorithm  : SHA256" "$tmp/verify.log" || fail "the signature is not SHA-256"
cp "$signed/TirnaUIAuth.exe" "$tmp/changed.exe"
printf 'X' | dd of="$tmp/changed.exe" bs=1 seek=4096 conv=notrunc status=none
if osslsigncode verify -CAfile "$keys/cert.pem" -in "$tmp/changed.exe" >/dev/null 2>&1; then
  fail "osslsigncode verify accepts the signed exe with a changed byte"
fi
osslsigncode remove-signature -in "$signed/TirnaUIAuth.exe" -out "$tmp/unsigned.exe" >/dev/null
cmp "$tmp/unsigned.exe" "$tmp/first.TirnaUIAuth.exe" ||
  fail "the signed exe without its signature is not the unsigned build"
echo "ok: the signed exe verifies, a changed byte does not, and without its signature it is the unsigned exe"

# The version information as windres reads it from the signed exe's resources.
IFS=. read -r -a parts <<<"$version.0.0.0"
numbers="${parts[0]}, ${parts[1]}, ${parts[2]}, ${parts[3]}"
resources=$(x86_64-w64-mingw32-windres -i "$signed/TirnaUIAuth.exe" -O rc | sed 's/^ *//')
for line in "FILEVERSION $numbers" "PRODUCTVERSION $numbers" 'BLOCK "040904B0"' \
  "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
  'VALUE "OriginalFilename", "TirnaUIAuth.exe"' 'VALUE "ProductName", "Tirna Parental Control"' \
  'VALUE "CompanyName", "Tirna"' 'VALUE "Translation", 0x409, 1200'; do
  grep -qxF "$line" <<<"$resources" || fail "the signed exe's version information has no $line"
done
echo "ok: the signed exe's version information: $version, its names and language"
echo "release check passed in $SECONDS s"
