#!/usr/bin/env bash
# Drives the program under Xvfb along the whole road on the demo data (log on,
# load the settings file, confirm the filter, group by a column, build the
# demo report and show it in the preview at page width, as whole page, as two
# pages and with a text found,
# then, on a screen tall enough for a whole page, open the report designer on
# the demo template, select an object, show the object inspector and open the
# object's text editor) and takes the screenshots of
# docs/screenshots. Needs a build (first argument: the program, default
# build/src/app/ostrand) and the packages xvfb, xdotool, imagemagick and
# openbox (window frames).
#
# With "--preview FILE.frp [program]" it opens a prepared report in the preview
# window instead and takes preview-width.png (page width), preview-whole.png
# (whole page) and preview-two.png (two pages).
set -euo pipefail
preview=
if [ "${1:-}" = --preview ]; then
  preview=$(realpath "$2")
  shift 2
fi
cd "$(dirname "$0")/.."
program=${1:-build/src/app/ostrand}
out=docs/screenshots
work=$(mktemp -d)
export DISPLAY=:97
xvfb= wm= app=
startScreen() { # a screen of the given size with window frames
  Xvfb "$DISPLAY" -screen 0 "$1"x24 >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
  openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
}
stopScreen() {
  kill $app $wm $xvfb 2>/dev/null || true
  wait $app $wm $xvfb 2>/dev/null || true
  app= wm= xvfb=
}
trap 'stopScreen; rm -rf "$work"' EXIT
startScreen 1280x800

if [ -z "$preview" ]; then
  OSTRAND_REGISTRY="$work/registry.ini" "$program" -PNTM1 -UNengineer -UPdemo >"$work/log" 2>&1 &
else
  OSTRAND_REGISTRY="$work/registry.ini" "$program" --preview "$preview" >"$work/log" 2>&1 &
fi
app=$!
sleep 3
client() { # absolute position and size of the active window's client area: X Y W H
  xwininfo -id "$(xdotool getactivewindow)" |
    awk '/Absolute upper-left X/{x=$4}/Absolute upper-left Y/{y=$4}/Width/{w=$2}/Height/{h=$2}END{print x, y, w, h}'
}
window() { # crop the active window with its frame
  local x y w h fl fr ft fb
  read -r x y w h < <(client)
  read -r fl fr ft fb < <(xprop -id "$(xdotool getactivewindow)" _NET_FRAME_EXTENTS | tr -dc '0-9 ' | xargs)
  import -window root -crop "$((w + fl + fr))x$((h + ft + fb))+$((x - fl))+$((y - ft))" "$1"
}

previewShots() {
  # The preview opens maximised at page width, the tool bar with its zoom box
  # and page field. Space opens the zoom box's list, whose last items are
  # "По ширине страницы", "Страница целиком" and "Две страницы": End, then up
  # by the given count.
  window "$out/preview-width.png"
  zoomTo() {
    xdotool key space
    sleep 0.5
    xdotool key End
    for ((i = 0; i < $1; i++)); do xdotool key Up; done
    xdotool key Return
    sleep 1
  }
  zoomTo 1
  window "$out/preview-whole.png"
  zoomTo 0
  window "$out/preview-two.png"
  if [ -n "${1:-}" ]; then
    # At page width, a text found: Ctrl+F, the text, Enter.
    zoomTo 2
    xdotool key ctrl+f
    sleep 1
    xdotool type --delay 30 "$1"
    xdotool key Return
    sleep 1
    window "$out/preview-search.png"
  fi
  xdotool key Escape
}

if [ -n "$preview" ]; then
  previewShots
  echo "screenshots written to $out"
  exit 0
fi

shot() { # a window shot, unless the road is only walked ("quiet": a pause instead)
  if [ "$quiet" = yes ]; then sleep 1; else window "$1"; fi
}
logOnAndLoad() { # the demo log-on and points.cfg
  xdotool type --delay 30 "DEMO-NT"
  shot "$out/login.png"
  xdotool key Return
  sleep 2
  shot "$out/main-empty.png"
  xdotool key ctrl+o
  sleep 2
  xdotool type --delay 10 "$PWD/examples/settings/points.cfg"
  xdotool key Return
  sleep 2
  shot "$out/filter.png"
  xdotool key Return
  sleep 2
}
quiet=no
logOnAndLoad

# Drag the header of the second data column into the group panel.
read -r X Y W H < <(client)
hx=$((X + 160)); hy=$((Y + 90)); py=$((Y + 64))
xdotool mousemove $hx $hy mousedown 1
for step in 1 2 3 4 5; do xdotool mousemove $((hx + step * 4)) $((hy - step * 5)); sleep 0.1; done
xdotool mousemove $((hx + 30)) $py
sleep 0.3
xdotool mouseup 1
sleep 1
window "$out/main-grouped.png"

# "Сформировать и напечатать отчёт", the fourth tool button: the demo report
# (points.frf beside points.cfg) is built and shown in the preview.
xdotool mousemove $((X + 90)) $((Y + 32)) click 1
sleep 6
previewShots "Карьерная"
stopScreen

# The designer (it opens maximised) on a screen as tall as a page at its
# size; it saves nothing, so the demo template stays as it is.
startScreen 1280x1290
OSTRAND_REGISTRY="$work/designer.ini" "$program" -PNTM1 -UNengineer -UPdemo >"$work/log" 2>&1 &
app=$!
sleep 3
quiet=yes
logOnAndLoad
# "Изменить дизайн отчёта", the fifth tool button.
read -r X Y W H < <(client)
xdotool mousemove $((X + 118)) $((Y + 32)) click 1
sleep 4
window "$out/designer-page.png"
# The paper's top-left corner: along a line through the page, the first white
# pixel after a long run of one dark colour (the grey around the paper; the
# docked inspector and the tool bar beside it are white and light grey), then top to bottom along a column inside it.
import -window root "$work/root.png"
convert "$work/root.png" -crop 1280x1+0+600 "txt:$work/row.txt"
px=$(awk -F'[ ,:]+' 'NR > 1 { c = $0; sub(/.*#/, "", c); c = substr(c, 1, 6)
  if (c == "FFFFFF" && run >= 50 && substr(last, 1, 2) < "C0") { print $1; exit }
  run = (c == last) ? run + 1 : 1; last = c }' "$work/row.txt")
convert "$work/root.png" -crop 1x1290+$((px + 3))+0 "txt:$work/column.txt"
py=$(grep -m1 '#FFFFFF' "$work/column.txt" | sed 's/^0,\([0-9]*\):.*/\1/')
# The caption "Точка" of the column header (page pixels 108..438, 122..146).
xdotool mousemove $((px + 200)) $((py + 134)) click 1
sleep 1
window "$out/designer-selection.png"
# The object inspector (F11) beside the page, then the caption's text editor
# (Enter), closed again with Esc.
xdotool key F11
sleep 1
window "$out/designer-inspector.png"
xdotool key Return
sleep 2
window "$out/text-editor.png"
xdotool key Escape
sleep 1
echo "screenshots written to $out"
