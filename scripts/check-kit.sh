#!/usr/bin/env bash
# Checks the check kit as the product's team uses it: packed from a windows build
# (scripts/kit.sh --from), unpacked into a new Wine prefix outside the source tree and
# run through `wine cmd /c`, a few of its cases at a time:
#   - the cases pass; the runner prints the machine, a line per case and "N passed, M
#     failed", writes its JUnit XML, and leaves no product key, the http handler as it
#     was and nothing new in the temp folders;
#   - over a product key tree with values of every type and subkeys it refuses and
#     points to the Sandbox; told to go on, it puts the tree back exactly;
#   - while the program runs (holding its mutex) it refuses;
#   - a run ended half-way (its process killed): the next start puts the tree back,
#     each key's security included, and says so;
#   - while another program listens on the service's port, a case says that it is taken;
#   - --sandbox writes the Windows Sandbox file for the folder the kit is in.
#   scripts/check-kit.sh BUILD_DIR      (the windows build's test "kit" runs it)
set -euo pipefail
build=$(cd "${1:?usage: scripts/check-kit.sh BUILD_DIR}" && pwd)
cd "$(dirname "$0")/.."

scripts/kit.sh --from "$build" >/dev/null
zip=$(ls "$build"/TirnaUIAuth-checks-*.zip)
tmp=$(mktemp -d)
trap 'kill "${holder:-}" 2>/dev/null || true; scripts/wine-session.sh stop "$tmp"; rm -rf "$tmp"' EXIT
scripts/wine-session.sh start "$tmp"
export WINEPREFIX="$tmp/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  LANG=C.UTF-8 LC_ALL=C.UTF-8
DISPLAY=$(cat "$WINEPREFIX.display")
export DISPLAY
kit="$WINEPREFIX/drive_c/Tirna & checks"
mkdir -p "$kit"
unzip -q "$zip" -d "$kit"
echo "kit $(basename "$zip") unpacked into C:\\Tirna & checks of a new prefix in $tmp"

fail() {
  echo "check-kit: FAILED: $*" >&2
  [ ! -f "$tmp/out" ] || sed 's/^/  | /' "$tmp/out" >&2
  exit 1
}
# The kit's one command, as typed into a command prompt in its folder.
checks() { (cd "$kit" && wine cmd /c run-checks.exe "$@" >"$tmp/out" 2>&1 </dev/null); }
said() { tr -d '\r' <"$tmp/out" | grep -qF -- "$1"; }
last() { tr -d '\r' <"$tmp/out" | tail -n 1; }
key_exists() { wine reg query 'HKLM\SOFTWARE\TirnaParental' </dev/null >/dev/null 2>&1; }
export_tree() { wine regedit /e "$1" 'HKEY_LOCAL_MACHINE\SOFTWARE\TirnaParental' </dev/null &>/dev/null || true; }
state() {
  wine reg query 'HKLM\Software\Classes\http\shell\open\command' </dev/null | tr -d '\r'
  find "$WINEPREFIX/drive_c/windows/temp" "$WINEPREFIX"/drive_c/users/*/Temp | sort
}

# A few cases, among them those that change the http handler and write into the temp folder.
state >"$tmp/state.before"
checks --filter 'SignIn/Runs.Play/Refused:AccountPage.*:SingleCopy.*:PasswordDigest.*' ||
  fail "the kit's cases do not pass"
[ "$(last)" = "4 passed, 0 failed" ] || fail "the last line is \"$(last)\""
said "Machine: Windows " && said "code page 1252" && said "passed  AccountPage.FinishOpensItOnlyWhenTicked" ||
  fail "no machine line or no line for a case"
python3 - "$kit/results.xml" <<'EOF' || fail "results.xml"
import sys, xml.etree.ElementTree as ET
suite = ET.parse(sys.argv[1]).getroot()
cases = suite.findall("testcase")
assert (suite.get("tests"), suite.get("failures"), len(cases)) == ("4", "0", 4), suite.attrib
assert {c.get("name") for c in cases} >= {"SignIn/Runs.Play/Refused", "PasswordDigest.HashesTheCodePageBytes"}
EOF
state >"$tmp/state.after"
cmp -s "$tmp/state.before" "$tmp/state.after" ||
  fail "the http handler or the temp folders changed: $(diff "$tmp/state.before" "$tmp/state.after")"
! key_exists || fail "the cases left a product key behind"
echo "ok: the cases pass through wine cmd /c, with their lines, results.xml and nothing left behind"

# The product's key tree: values of every type, the default value, subkeys.
reg="$WINEPREFIX/drive_c/tree.reg"
{
  printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\TirnaParental]\n'
  printf '@="default"\n"Sz"="text"\n"None"=hex(0):01,02\n"Expand"=hex(2):25,00,41,00,00,00\n'
  printf '"Binary"=hex:00,ff\n"Empty"=hex:\n"Dword"=dword:0000002a\n"BigEndian"=hex(5):00,00,00,2a\n'
  printf '"Link"=hex(6):41,00\n"Multi"=hex(7):61,00,00,00,62,00,00,00,00,00\n"Resources"=hex(8):01\n'
  printf '"Descriptor"=hex(9):02\n"Requirements"=hex(a):03\n"Qword"=hex(b):01,02,03,04,05,06,07,08\n\n'
  printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\TirnaParental\\State]\n"RegSucceeded"=dword:00000001\n\n'
  printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\TirnaParental\\State\\Deeper]\n"UID"=dword:00000007\n'
} | sed 's/$/\r/' >"$reg"
wine regedit /s 'C:\tree.reg' </dev/null
export_tree 'C:\before.reg'
same_tree() {
  rm -f "$WINEPREFIX/drive_c/after.reg"
  export_tree 'C:\after.reg'
  cmp -s "$WINEPREFIX/drive_c/before.reg" "$WINEPREFIX/drive_c/after.reg"
}
iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/drive_c/before.reg" >"$tmp/before.txt"
for type in '"=dword:' '"=hex:' '"="' '@="' =hex\(0\) =hex\(2\) =hex\(5\) =hex\(6\) =hex\(7\) =hex\(8\) \
  =hex\(9\) =hex\(a\) =hex\(b\) 'TirnaParental\State\Deeper]'; do
  grep -qF "$type" "$tmp/before.txt" || fail "the stored tree has no $type"
done

checks --filter 'SignIn/Runs.Play/Refused' && fail "the kit ran over the product's key"
said "refused, nothing was changed: the product is installed (its key exists)" && said "Windows Sandbox" ||
  fail "no refusal that points to the Sandbox"
same_tree || fail "the refusal changed the product's key"
checks --go-on --filter 'SignIn/Runs.Play/Refused' || fail "the kit told to go on"
said "The product's key was put back exactly as it was saved." || fail "no word of the key put back"
same_tree || fail "the product's key did not come back exactly"
[ ! -e "$kit/product-key.saved" ] || fail "the saved copy stays after a whole run"
echo "ok: over the product's key it refuses; told to go on, it puts the tree back exactly"

# The program, running, holds its mutex: the runner refuses until it has ended.
(wine "C:\\Tirna & checks\\TirnaUIAuth.exe" </dev/null >/dev/null 2>&1 &
  echo $! >"$tmp/program.pid")
for _ in $(seq 1 100); do
  checks --filter NoSuchCase || true
  said "holds its mutex" && break
done
wine taskkill /f /im TirnaUIAuth.exe </dev/null >/dev/null 2>&1
said "refused, nothing was changed: TirnaUIAuth or another part of the product holds its mutex" ||
  fail "no refusal while the program runs"
same_tree || fail "the program or the refusal changed the product's key"
echo "ok: while the program holds its mutex it refuses"

# A run ended half-way, after its first case: the next start puts the tree back.
(checks --go-on --filter 'SignIn/*' || true) &
runner=$!
for _ in $(seq 1 600); do
  tr -d '\r' <"$tmp/out" 2>/dev/null | grep -qE '^(passed|failed)  ' && break
  sleep 0.1
done
wine taskkill /f /im run-checks.exe </dev/null >/dev/null 2>&1
wait $runner
saved="$kit/product-key.saved"
[ -e "$saved" ] || fail "the run was not ended half-way"
grep -q '^key \. O:[A-Z]*G:[A-Z]*D:' "$saved" || fail "the saved tree holds no security of the key"
# Key State (in hex, UTF-16) saved with a security of its own: it must come back too.
sed -i 's/^\(key 53007400610074006500\) .*/\1 O:SYG:SYD:P(A;OICI;KA;;;BA)(A;;KR;;;WD)/' "$saved"
same_tree && fail "the run ended half-way left the key as it was: nothing to recover"
checks --filter NoSuchCase && fail "the next start ran over the recovered key"
said "A run of the checks ended half-way: the product's key was put back as it saved it." ||
  fail "the next start did not say that it put the key back"
same_tree || fail "the next start did not put the tree back exactly"
[ ! -e "$saved" ] || fail "the saved copy stays after it was put back"
echo "ok: after a run ended half-way the next start puts the tree back and says so"

# Another program listens on the service's port: a case says so.
port=$(sed -n 's/^TIRNA_SERVICE_ORIGIN:STRING=.*:\([0-9]*\)$/\1/p' "$build/CMakeCache.txt")
python3 -c 'import socket, sys, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)  # past TIME_WAIT
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(); print(flush=True); time.sleep(120)' \
  "$port" >"$tmp/holder" &
holder=$!
until [ -s "$tmp/holder" ]; do kill -0 $holder || fail "cannot listen on port $port"; sleep 0.1; done
(cd "$kit" && wine blackbox_tests.exe --gtest_filter=SignIn/Runs.Play/Refused >"$tmp/out" 2>&1 </dev/null) &&
  fail "a case passed while port $port was taken"
said "the loopback port $port is taken by another program" || fail "the harness did not say the port is taken"
kill "$holder"
echo "ok: with the service's port taken, a case says so"

# The Sandbox's file, made for the folder that the kit was unpacked into.
checks --sandbox || fail "run-checks --sandbox"
python3 - "$kit/TirnaUIAuth-checks.wsb" <<'EOF' || fail "the .wsb: $(cat "$kit/TirnaUIAuth-checks.wsb")"
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
folder = root.find("MappedFolders/MappedFolder")
assert folder.findtext("HostFolder") == "C:\\Tirna & checks", folder.findtext("HostFolder")
assert folder.findtext("SandboxFolder") == "C:\\TirnaChecks" and folder.findtext("ReadOnly") == "false"
command = root.findtext("LogonCommand/Command")
assert command.startswith("cmd.exe /c C:\\TirnaChecks\\run-checks.exe >C:\\TirnaChecks\\"), command
EOF
echo "ok: --sandbox maps the kit's folder and runs the checks at logon"
