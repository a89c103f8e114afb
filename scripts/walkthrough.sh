#!/usr/bin/env bash
# The animated walkthrough at the top of the README, docs/walkthrough.gif: an
# installer run through the sign-in path, then one through the account-creation
# path. Builds the program and its demo driver, starts the stand-in service with
# the demo parent account and drives both runs on a private Xvfb display; the driver
# saves a picture of the real wizard (and of a message box in front of it) after
# every step, and ImageMagick joins them into one GIF.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/demo-common.sh
work="$build/walkthrough"
out=docs/walkthrough.gif

start_private_session "$work"
drive_both_paths "$work/sign-in" "$work/create-account" --frames

# How long a frame stays, in hundredths of a second, by what it shows: a new page,
# a box and the end of a run longer than a typed text or a button held down.
delay() {
  case $1 in
  *-page.png) echo 250 ;;
  *-box.png) echo 300 ;;
  *-finish.png) echo 400 ;;
  *-press.png) echo 120 ;;
  *) echo 150 ;;
  esac
}
frames=()
previous=
for png in "$work"/sign-in/frame-*.png "$work"/create-account/frame-*.png; do
  # A button the wizard draws itself looks the same held down: no frame for that.
  if [ -n "$previous" ] && cmp -s "$previous" "$png"; then continue; fi
  frames+=(-delay "$(delay "$png")" "$png")
  previous=$png
done
convert "${frames[@]}" -loop 0 +dither -colors 64 -layers Optimize "$out"
echo "Saved $out: $(identify "$out" | wc -l) frames, $(stat -c %s "$out") bytes"
