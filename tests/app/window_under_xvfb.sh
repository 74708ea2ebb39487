#!/usr/bin/env bash
# Starts `tagstation --reader sim` under Xvfb, checks its window's title and
# client size (624 x 311) and saves a screenshot of the window; with a third
# argument also one of the page "Optionen", opened as a user does.
#   window_under_xvfb.sh TAGSTATION_BINARY OUTPUT.png [OPTIONS.png]
# Exit code 77 when xvfb-run is missing (the test then counts as skipped).
set -euo pipefail
binary=$1
out=$2
options_out=${3:-}

if [ -z "${TAGSTATION_INSIDE_XVFB:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed: skipped"; exit 77; }
  export TAGSTATION_INSIDE_XVFB=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

export LC_ALL=C.UTF-8
for tool in xwininfo xprop xdotool import identify compare; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps installs it)"; exit 1; }
done

# Settings go to a throw-away home, never to the user's documents folder.
home=$(mktemp -d)
log="$home/tagstation.log"
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=xcb \
  "$binary" --reader sim >"$log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$home"' EXIT

title_prefix="FTDI FT232 USB to UART TTL / PN532 - "
window=""
for _ in $(seq 100); do
  window=$(xwininfo -root -tree | awk -v t="\"$title_prefix" 'index($0, t) { print $1; exit }')
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || { echo "tagstation ended early:"; cat "$log"; exit 1; }
  sleep 0.2
done
[ -n "$window" ] || { echo "no tagstation window appeared"; cat "$log"; exit 1; }

title() { xprop -id "$window" _NET_WM_NAME | sed -e 's/^[^"]*"//' -e 's/"$//'; }
echo "window $window: $(title)"
# The simulated reader is found on the first tick (one second after start).
for _ in $(seq 75); do
  [ "$(title)" = "${title_prefix}Gerät vorhanden ..." ] && break
  sleep 0.2
done
[ "$(title)" = "${title_prefix}Gerät vorhanden ..." ] || { echo "title never said the reader is there: $(title)"; exit 1; }

size=$(xwininfo -id "$window" | awk '/^  Width:/ { w = $2 } /^  Height:/ { h = $2 } END { print w "x" h }')
[ "$size" = "624x311" ] || { echo "client area is $size, not 624x311"; exit 1; }

sleep 2.5  # the next tick polls: the first simulated tag shows in the panels
import -window "$window" "$out"
shot=$(identify -format "%wx%h" "$out")
[ "$shot" = "624x311" ] || { echo "screenshot is $shot"; exit 1; }
colours=$(identify -format "%k" "$out")
[ "$colours" -gt 16 ] || { echo "screenshot looks empty ($colours colours)"; exit 1; }
echo "ok: title, 624x311 client area, screenshot $out"

[ -n "$options_out" ] || exit 0
# A click on the first tab gives the tab bar the focus; the arrow keys then
# go on to the fourth page.
xdotool mousemove --window "$window" 20 12 click 1
sleep 0.3
xdotool key Right Right Right
sleep 0.5
import -window "$window" "$options_out"
changed=$(compare -metric AE "$out" "$options_out" null: 2>&1 || true)
[ "${changed%% *}" -gt 1000 ] || { echo "the page did not change ($changed pixels)"; exit 1; }
echo "ok: screenshot of the options page $options_out"
