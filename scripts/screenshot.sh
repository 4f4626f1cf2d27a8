#!/usr/bin/env bash
# Starts ts2edit under a virtual X server with the given arguments, waits, and saves a PNG of
# the whole screen.
#   scripts/screenshot.sh [-o OUT.png] [-w SECONDS] [-b BUILD_DIR] [-- ts2edit arguments...]
set -euo pipefail

out=ts2edit-screenshot.png
wait_s=3
build_dir="${BUILD_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build}"
while [[ $# -gt 0 ]]; do
  case "$1" in
    -o) out="$2"; shift 2 ;;
    -w) wait_s="$2"; shift 2 ;;
    -b) build_dir="$2"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done

editor="$build_dir/src/ts2edit"
if [[ ! -x "$editor" ]]; then
  echo "screenshot.sh: no ts2edit at $editor (build it, or pass -b BUILD_DIR)" >&2
  exit 1
fi

missing=()
command -v xvfb-run >/dev/null || missing+=(xvfb)
command -v xauth >/dev/null || missing+=(xauth)
command -v import >/dev/null || missing+=(imagemagick)
if [[ ${#missing[@]} -gt 0 ]]; then
  apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null
fi

out="$(realpath -m "$out")"
# Inside the virtual display: start the editor, give it time to draw, capture, stop it.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$1" "${@:4}" &
  pid=$!
  sleep "$2"
  import -window root "$3"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
' _ "$editor" "$wait_s" "$out" "$@"
echo "$out"
