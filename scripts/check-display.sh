#!/usr/bin/env bash
# Fails unless the Windows programs of a build run on its Wine session's own Xvfb
# display whatever the caller's DISPLAY says. With DISPLAY naming a display where no
# X server answers, BUILD_DIR/wine-run.sh must hand Wine the session's display, and
# the program (run as "/signin") must open its wizard window there.
#
#   scripts/check-display.sh BUILD_DIR path/to/TirnaUIAuth.exe
#
# The session must be running (scripts/wine-session.sh start BUILD_DIR). What the
# run writes to the registry ("TempA") is removed again at the end.
set -euo pipefail

build=${1:?usage: $0 BUILD_DIR TirnaUIAuth.exe}
exe=${2:?usage: $0 BUILD_DIR TirnaUIAuth.exe}
prefix="$build/wineprefix"
wine_run="$build/wine-run.sh"
title="Tirna Parent Authentification"
fail() {
  echo "$0: $1" >&2
  exit 1
}

# The session's display is served by the Xvfb the session started: that process
# holds the display's listening socket.
[ -s "$prefix.display" ] || fail "no Wine session display recorded for $build"
session=$(cat "$prefix.display")
[ -s "$prefix.xvfb.pid" ] || fail "the session of $build runs on $session, not on an Xvfb of its own"
xvfb=$(cat "$prefix.xvfb.pid")
socket=$(awk -v path="/tmp/.X11-unix/X${session#:}" '$NF == path {print $7; exit}' /proc/net/unix)
[ -n "$socket" ] && find "/proc/$xvfb/fd" -lname "socket:\[$socket\]" 2>/dev/null | grep -q . ||
  fail "display $session is not served by the session's Xvfb (process $xvfb)"
xdpyinfo -display "$session" >/dev/null 2>&1 || fail "the session's Xvfb on $session does not answer"

# A display where surely no server runs: no socket, no lock file, no answer.
absent=
for n in $(seq 90 300); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  xdpyinfo -display ":$n" >/dev/null 2>&1 && continue
  absent=:$n
  break
done
[ -n "$absent" ] || fail "no display number between 90 and 300 is free"
export DISPLAY=$absent

# What wine-run.sh hands to Wine.
handed=$("$wine_run" cmd /c 'echo %DISPLAY%' | tr -d '\r')
[ "$handed" = "$session" ] || fail "with DISPLAY=$absent, Wine was given DISPLAY=$handed instead of $session"

# A window of the real program on the session's display, then closed as the
# parent would close it: taskkill without /f posts WM_CLOSE.
key='HKLM\Software\TirnaParental'
had_key=
"$wine_run" reg query "$key" >/dev/null 2>&1 && had_key=1
"$wine_run" "$exe" /signin &
program=$!
shown=
for _ in $(seq 1 600); do
  if xwininfo -display "$session" -root -tree 2>/dev/null | grep -qF "\"$title\""; then
    shown=1
    break
  fi
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
if [ -n "$shown" ]; then
  "$wine_run" taskkill /im TirnaUIAuth.exe >/dev/null 2>&1 || true
else
  "$wine_run" taskkill /f /im TirnaUIAuth.exe >/dev/null 2>&1 || true
fi
status=0
wait "$program" || status=$?
if [ -n "$had_key" ]; then
  "$wine_run" reg delete "$key" /v TempA /f >/dev/null 2>&1 || true
else
  "$wine_run" reg delete "$key" /f >/dev/null 2>&1 || true
fi
[ -n "$shown" ] || fail "with DISPLAY=$absent, no window \"$title\" came on $session"
[ "$status" -eq 0 ] || fail "the program ended with $status"
echo "With DISPLAY=$absent (no server there) the program ran on the session's Xvfb $session."
