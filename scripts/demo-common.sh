# shellcheck shell=bash
# Shared by demo.sh, screenshots.sh and walkthrough.sh (sourced, from the
# repository's root): the build of the program and its demo driver for the stand-in
# service, the service itself, and runs of the driver under Wine.
#   TIRNA_BUILD_DIR  build tree (default build/windows)
#   TIRNA_DEMO_PORT  port of the stand-in service, built into the program (default 47110)

build=${TIRNA_BUILD_DIR:-build/windows}
port=${TIRNA_DEMO_PORT:-47110}
service=(/usr/bin/python3 devservice/tirna_devservice.py)
demo_user=demo.parent
demo_password=tirna-demo

demo_build() {
  bash scripts/install-deps.sh
  cmake --preset windows -B "$build" -DTIRNA_SERVICE_ORIGIN="http://127.0.0.1:$port" >/dev/null
  cmake --build "$build" --parallel 2 --target TirnaUIAuth tirna_demo_driver
}

# Starts the stand-in service in the background with a fresh database that holds the
# demo parent account (printed); its files go into the directory $1.
service_start() {
  local dir=$1
  mkdir -p "$dir"
  rm -f "$dir/tirna.sqlite3" "$dir/journal.jsonl" "$dir/service.log"
  "${service[@]}" seed --db "$dir/tirna.sqlite3" --user "$demo_user" --password "$demo_password" \
    --email "$demo_user@example.com" --profile Alice --profile Bob
  "${service[@]}" serve --background --replace --port "$port" --db "$dir/tirna.sqlite3" \
    --journal "$dir/journal.jsonl" --pidfile "$dir/service.pid" --log "$dir/service.log" >/dev/null
}

service_stop() {
  "${service[@]}" stop --pidfile "$1/service.pid" >/dev/null
}

# Each request the service received, one line each, from its log in the directory $1.
service_requests() {
  grep -E '^\[[0-9:.]+\] #[0-9]+ ' "$1/service.log" | cut -d' ' -f2- || true
}

# Starts with a machine on which the product never ran: no stored credentials, no flags.
forget_product_values() {
  "$build/wine-run.sh" reg delete 'HKLM\Software\TirnaParental' /f >/dev/null 2>&1 || true
}

# Drives the program along one path of the wizard (sign-in or create-account, then
# that path's arguments) and saves the pages as PNG pictures in the directory $2.
# With --frames first, also a numbered frame after every step the parent sees
# (frame-NN-KIND.png; see demo/driver.cpp).
drive_wizard() {
  local options=()
  if [ "$1" = --frames ]; then
    options=(--frames)
    shift
  fi
  local path=$1 dir=$2
  shift 2
  mkdir -p "$dir"
  rm -f "$dir"/page-*.bmp "$dir"/frame-*.bmp "$dir"/frame-*.png
  local windows_dir
  windows_dir=$("$build/wine-run.sh" winepath -w "$(realpath "$dir")")
  "$build/wine-run.sh" "$build/bin/tirna_demo_driver.exe" "${options[@]}" "$path" "$windows_dir" "$@"
  local bmp
  for bmp in "$dir"/page-*.bmp "$dir"/frame-*.bmp; do
    [ -e "$bmp" ] || continue
    # Without dates the same picture gives the same file.
    convert "$bmp" -strip -define png:exclude-chunks=date,time "${bmp%.bmp}.png"
    rm "$bmp"
  done
}

# A private run for pictures: builds, starts the stand-in service (its state in $1)
# and a Wine session on a private Xvfb display, never the caller's; both stop when
# the script exits.
start_private_session() {
  session_work=$1
  demo_build
  trap 'service_stop "$session_work"; scripts/wine-session.sh stop "$build"' EXIT
  service_start "$session_work" >/dev/null
  unset TIRNA_USE_DISPLAY
  scripts/wine-session.sh start "$build"
}

# Both paths of an installer run, each on a machine where the product never ran: signing
# in and picking Bob (pictures in $1), then creating an account and naming the new
# profile Charlie (pictures in $2). Further arguments (--frames) go to drive_wizard.
drive_both_paths() {
  local sign_in_dir=$1 create_dir=$2
  shift 2
  forget_product_values
  drive_wizard "$@" sign-in "$sign_in_dir" "$demo_user" "$demo_password" Bob
  forget_product_values
  drive_wizard "$@" create-account "$create_dir" new.parent kite-string new.parent@example.com Charlie
}
