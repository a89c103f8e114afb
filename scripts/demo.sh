#!/usr/bin/env bash
# The program's main job, an installer run, against the stand-in Tirna service.
#   scripts/demo.sh [--auto]
# Installs what is missing, builds the program for the stand-in service, starts the
# service with a demo parent account and runs "TirnaUIAuth.exe /installer" under
# Wine. With DISPLAY set the wizard opens on that display for you to use; with
# --auto, or without DISPLAY, it runs on a private Xvfb display, driven through the
# sign-in path by the demo's driver. A driven run leaves a picture of each page in
# build/demo/ (TIRNA_DEMO_DIR). At the end the script prints what the service
# recorded and stops it. Needs no input and ends by itself unless you drive.
set -euo pipefail
cd "$(dirname "$0")/.."

auto=
case "${1:-}" in
"") ;;
--auto) auto=1 ;;
*)
  echo "usage: $0 [--auto]" >&2
  exit 2
  ;;
esac

source scripts/demo-common.sh
demo_dir=${TIRNA_DEMO_DIR:-build/demo}
started=$SECONDS

demo_build

echo
echo "== Stand-in service on http://127.0.0.1:$port with the demo parent account"
trap 'service_stop "$demo_dir"; scripts/wine-session.sh stop "$build"' EXIT
service_start "$demo_dir"

# Only the interactive run uses the caller's display; a driven one never does.
if [ -n "${DISPLAY:-}" ] && [ -z "$auto" ]; then
  export TIRNA_USE_DISPLAY=1
else
  unset TIRNA_USE_DISPLAY
  auto=1
fi
scripts/wine-session.sh start "$build"
forget_product_values

status=0
if [ -n "$auto" ]; then
  echo
  echo "== TirnaUIAuth.exe /installer, driven through the sign-in path"
  drive_wizard sign-in "$demo_dir" "$demo_user" "$demo_password" Bob || status=$?
  [ "$status" -eq 0 ] && echo "Pictures of pages 0, 2 and 4: $demo_dir/page-*.png"
else
  echo
  echo "== TirnaUIAuth.exe /installer on $DISPLAY"
  echo "Sign in as $demo_user with the password $demo_password (or create an account),"
  echo "choose a child profile and press Finish."
  "$build/wine-run.sh" "$build/bin/TirnaUIAuth.exe" /installer || status=$?
fi

echo
echo "== Requests the service received"
service_requests "$demo_dir"
echo
echo "== What the service recorded"
"${service[@]}" show --db "$demo_dir/tirna.sqlite3"
echo
echo "Demo finished in $((SECONDS - started)) s."
exit "$status"
