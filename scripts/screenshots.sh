#!/usr/bin/env bash
# Pictures of the wizard's six pages for the README: builds the program and its demo
# driver, starts the stand-in service with the demo parent account, and drives an
# installer run on a private Xvfb display through the sign-in path (pages 0, 2, 4)
# and another through the account-creation path (pages 1, 3, 5). The pictures go to
# docs/screenshots/page-N-NAME.png.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/demo-common.sh
work="$build/screenshots"
out=docs/screenshots

start_private_session "$work"
drive_both_paths "$work" "$work"

mkdir -p "$out"
mv "$work"/page-*.png "$out"/
echo "Saved:"
ls -1 "$out"/page-*.png
