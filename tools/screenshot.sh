#!/usr/bin/env bash
# Starts Plendor under Xvfb on a folder (default: samples/), waits for it to
# settle, and saves a screenshot of the whole screen.
#   tools/screenshot.sh OUT.png [FOLDER-OR-DRAWING] [WAIT-SECONDS] [WIDTHxHEIGHT]
# Needs xvfb, xauth and imagemagick (apt-get install xvfb xauth imagemagick).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "${1:?usage: $0 OUT.png [FOLDER-OR-DRAWING] [WAIT] [WxH]}")"
target="${2:-$here/samples/}"
wait_s="${3:-4}"
size="${4:-1280x800}"
exe="${PLENDOR_EXE:-$here/build/plendor}"

xvfb-run -a -s "-screen 0 ${size}x24" bash -c '
  "$1" "$2" &
  pid=$!
  sleep "$3"
  import -window root "$4"
  kill -TERM $pid
  wait $pid || true
' _ "$exe" "$target" "$wait_s" "$out"
echo "saved $out"
