#!/usr/bin/env bash
# Starts or stops everything the Windows tests of one build tree need: a
# private Xvfb display, the build's Wine prefix and a persistent Wine server whose
# descriptors are detached from the caller. The session's display is recorded in
# BUILD_DIR/wineprefix.display, and BUILD_DIR/wine-run.sh runs every program on it.
#   scripts/wine-session.sh start BUILD_DIR     (ends the build's running session first)
#   scripts/wine-session.sh stop BUILD_DIR
# Only with TIRNA_USE_DISPLAY set (the demo's interactive mode, or a wizard run by
# hand) does the session record the caller's DISPLAY instead of starting Xvfb.
set -euo pipefail

cmd=${1:?start|stop}
build=$(cd "${2:?build dir}" && pwd)
prefix="$build/wineprefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8

# Xvfb chooses a free display itself and reports its number when it is ready, so
# two sessions started at the same moment never share one display.
start_xvfb() {
  local number="$prefix.xvfb.number"
  rm -f "$number"
  (Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" </dev/null >/dev/null 2>&1 &
   echo $! >"$prefix.xvfb.pid")
  for _ in $(seq 1 100); do
    if [ -s "$number" ]; then
      echo ":$(head -n 1 "$number")" >"$prefix.display"
      rm -f "$number"
      return 0
    fi
    sleep 0.1
  done
  echo "Xvfb did not start" >&2
  return 1
}

# Ends the build's session: its Wine server, and its Xvfb (the recorded process, if it
# still is an Xvfb), waited for for up to 10 s until it has ended.
stop_session() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  if [ -f "$prefix.xvfb.pid" ]; then
    local pid
    pid=$(cat "$prefix.xvfb.pid")
    if [ "$(ps -o comm= -p "$pid")" = Xvfb ] && kill "$pid"; then
      for _ in $(seq 1 100); do
        ps -o stat= -p "$pid" | grep -qv Z || break
        sleep 0.1
      done
    fi
    rm -f "$prefix.xvfb.pid"
  fi
  # Without a session no display is recorded: wine-run.sh then refuses to run.
  rm -f "$prefix.display"
}

case "$cmd" in
start)
  # A session of this build that is still running is ended first, so that a second
  # start leaves no display behind.
  stop_session
  mkdir -p "$(dirname "$prefix")"
  if [ -n "${TIRNA_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
    echo "$DISPLAY" >"$prefix.display"
  else
    start_xvfb
  fi
  DISPLAY=$(cat "$prefix.display"); export DISPLAY
  # Debian's Wine never reads its own fonts from the package's folder: without them in
  # the prefix, controls draw in a wider fallback font and caption buttons in letters.
  mkdir -p "$prefix/drive_c/windows/Fonts"
  cp -n /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/"
  (wineserver -p </dev/null >/dev/null 2>&1 &)
  wine wineboot -i </dev/null >/dev/null 2>&1
  # Without a window manager Wine waits for one on every window close; let Wine
  # manage its own windows so that closing is immediate.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  # A program that crashes ends at once, with Wine's report on its standard error,
  # instead of waiting on the crash dialog until the test's time runs out.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
  ;;
stop)
  stop_session
  ;;
*)
  echo "usage: $0 start|stop BUILD_DIR" >&2
  exit 2
  ;;
esac
