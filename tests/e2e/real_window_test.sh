#!/usr/bin/env bash
# Starts the real quervik window under Xvfb on a copy of a test mesh and
# drives it with real X input events: a level typed into EditLevel and a
# click on "Flächen schneiden", a wheel step, a left drag, a click on the
# slider and its tip (read by OCR), a click on "DXF von Schnittlinie
# erzeugen", a level typed and applied with Enter, two points measured, a
# rotation by 90° and "Alles zeigen" by the Home key and by a double-click.
# Checks the DXF beside the mesh byte for byte against quervik-batch, and
# that the screenshots change where they should. Then, on a mesh 999 units
# tall, a series of a million levels cancelled with Esc: the previous
# Schnitte.dxf stays, no temporary file is left, and the next series runs.
#   real_window_test.sh QUERVIK QUERVIK_BATCH MESH.obj
# With QUERVIK_SCREENSHOT=path the screenshot with the measured section is
# kept there.
set -euo pipefail
quervik=$1
batch=$2
mesh_src=$3

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits until a command succeeds, up to $1 seconds, polling.
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < end)) || return 1
    sleep 0.1
  done
}

# --- an X server of our own on a free display number; it stays up when the
# first window closes (-noreset), for the second ---
exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset 2>"$work/xvfb.log")
xvfb_pid=$!
read -r -t 30 dispno <&3 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$dispno"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

mesh="$work/halde.obj"
cp "$mesh_src" "$mesh"

"$quervik" "$mesh" >"$work/app.log" 2>&1 &
app_pid=$!
wait_for 60 xdotool search --name '^Quervik$' || fail "no window: $(cat "$work/app.log")"
wid=$(xdotool search --name '^Quervik$' | head -1)

# The window is ready once the load at start has written the height range.
shot() { import -window root "$1"; }
# Red pixels of the section inside the drawing surface's part of the window.
origin=$(xdotool getwindowgeometry "$wid" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
read -r wx wy <<<"$origin"
surface_crop() { # the drawing surface: client 8,200 695x421
  convert "$1" -crop "695x380+$((wx + 8))+$((wy + 200))" +repage "$2"
}
red_count() {
  convert "$1" -fuzz 20% -fill black +opaque red -fill white -opaque red -colorspace gray \
    -format '%[fx:round(mean*w*h)]' info:
}
red_box() { # WxH+X+Y of the red pixels
  convert "$1" -fuzz 20% -fill black +opaque red -trim -format '%wx%h%O' info:
}
click() { xdotool mousemove --window "$wid" "$1" "$2" click 1; }
# Screenshot N: the whole screen as sN.png, the drawing surface as cN.png.
surface_shot() { shot "$work/s$1.png" && surface_crop "$work/s$1.png" "$work/c$1.png"; }
# Screenshot N shows the red section in another place than box $2.
box_differs() { surface_shot "$1" && [[ "$(red_box "$work/c$1.png")" != "$2" ]]; }

# Give the load at start time to finish: wait until the slider handler drew red.
loaded() { surface_shot 0 && (($(red_count "$work/c0.png") > 0)); }
wait_for 60 loaded || fail "the section of the load at start never appeared"

# --- a level typed into EditLevel, then "Flächen schneiden" ---
xdotool mousemove --window "$wid" 60 109 click --repeat 3 1
xdotool key ctrl+a
xdotool type --delay 20 "104.5"
click 37 16  # ToolButtonRechnen
sectioned() { surface_shot 1 && (($(red_count "$work/c1.png") > 50)); }
wait_for 30 sectioned || fail "no red section after the section command"
box1=$(red_box "$work/c1.png")

# --- a wheel step towards the user: the picture shrinks toward the top-left corner ---
xdotool mousemove --window "$wid" 300 400 click 5
wait_for 30 box_differs 2 "$box1" || fail "the wheel step did not change the picture"
box2=$(red_box "$work/c2.png")
w1=${box1%%x*}; w2=${box2%%x*}
((w2 < w1)) || fail "the wheel step towards the user did not shrink the picture ($box1 -> $box2)"

# --- a left drag by (+40, +30): the picture follows the mouse ---
xdotool mousemove --window "$wid" 300 400 mousedown 1
for i in 1 2 3 4; do xdotool mousemove --window "$wid" $((300 + 10 * i)) $((400 + 7 * i)); sleep 0.05; done
xdotool mousemove --window "$wid" 340 430 mouseup 1
wait_for 30 box_differs 3 "$box2" || fail "the drag did not move the picture"
box3=$(red_box "$work/c3.png")
off() { local o=${1#*+}; echo "${o%%+*} ${o#*+}"; }
read -r x2 y2 <<<"$(off "$box2")"
read -r x3 y3 <<<"$(off "$box3")"
# Clipped at the surface's top or left edge the box can move less; never the other way.
((x3 - x2 == 40 || (x2 == 0 && x3 <= 40))) || fail "drag moved x by $((x3 - x2)), not 40"
((y3 - y2 == 30 || (y2 == 0 && y3 <= 30))) || fail "drag moved y by $((y3 - y2)), not 30"

# --- a click on the slider: a new level, computed and drawn ---
click 250 137
slid() { surface_shot 4 && ! cmp -s "$work/c3.png" "$work/c4.png"; }
wait_for 30 slid || fail "the slider click did not redraw"

# --- resting on the slider, its tip shows the height (OCR), not the position ---
band() { convert "$1" -crop "710x70+$wx+$((wy + 140))" +repage "$2"; }
band "$work/s4.png" "$work/band0.png"
xdotool mousemove --window "$wid" 252 138  # a press stops the tip's timer; a move starts it
tip_shown() {
  shot "$work/s5.png" && band "$work/s5.png" "$work/band1.png" &&
    tipbox=$(convert "$work/band0.png" "$work/band1.png" -compose difference -composite \
      -colorspace gray -threshold 10% -trim -format '%wx%h%O' info:) &&
    [[ "${tipbox%%x*}" -gt 60 ]]
}
wait_for 10 tip_shown || fail "no tip over the slider"
convert "$work/band1.png" -crop "$tipbox" +repage -colorspace gray -resize 400% "$work/tip.png"
tip=$(tesseract "$work/tip.png" - --psm 7 2>/dev/null | tr -d '\n')
tip_height=$(grep -oE '[0-9]+[.,][0-9]{3}' <<<"$tip" | tail -1 || true)
[[ -n "$tip_height" ]] || fail "the slider's tip shows no height with three decimals: '$tip'"

# --- "DXF von Schnittlinie erzeugen" ---
click 87 16
written() { compgen -G "$work/S*.dxf"; }
wait_for 30 written || fail "no section DXF beside the mesh"
dxf=$(compgen -G "$work/S*.dxf" | head -1)
name=$(basename "$dxf" .dxf)
level=${name#S}
level=${level//_/.}
mkdir "$work/batch"
cp "$mesh" "$work/batch/halde.obj"
"$batch" section "$work/batch/halde.obj" "$level" >/dev/null
cmp "$dxf" "$work/batch/$name.dxf" || fail "window and batch tool wrote different bytes for level '$level'"
lines=$(grep -c $'^LINE\r$' "$dxf" || true)
((lines > 0)) || fail "the section DXF holds no LINE"
[[ "${tip_height/,/.}" == "$level" ]] || fail "the slider's tip showed '$tip' for the level $level"

# --- Enter in the level field cuts and fits as the section command did ---
xdotool mousemove --window "$wid" 60 109 click --repeat 3 1
xdotool key ctrl+a
xdotool type --delay 20 "104.5"
xdotool key Return
entered() { surface_shot 6 && [[ "$(red_box "$work/c6.png")" == "$box1" ]]; }
wait_for 30 entered || fail "Enter in the level field did not show the section at 104.5 ($box1)"

# --- Home with the mouse over the drawing: "Alles zeigen", the whole section
# within the visible surface ---
visible_shot() { # the visible part of the surface: client 8,200 up to the status bar
  shot "$work/s$1.png" && convert "$work/s$1.png" -crop "702x427+$((wx + 8))+$((wy + 200))" +repage "$work/v$1.png"
}
whole() { # the red box lies within the visible surface, 5 pixels or more from each edge
  read -r w h x y <<<"$(red_box "$1" | sed 's/[x+]/ /g')"
  ((x >= 5 && y >= 5 && x + w <= 702 - 5 && y + h <= 427 - 5 && (h >= 400 || w >= 680)))
}
xdotool mousemove --window "$wid" 300 400
xdotool key Home  # the focus is in EditLevel
home_all() { visible_shot 12 && whole "$work/v12.png"; }
wait_for 30 home_all || fail "Home did not show the whole section: $(red_box "$work/v12.png")"

# --- measuring: the first click sets the start, the second draws the step in blue ---
blue_box() { # WxH+X+Y of the blue pixels
  convert "$1" -fuzz 20% -fill black +opaque blue -trim -format '%wx%h%O' info:
}
click 62 16  # ToolButton2, "Distanz messen"
sleep 0.3
click 200 300
sleep 0.3
click 400 450
# The two points are surface pixels (192, 100) and (392, 250); a square of
# 7 pixels marks each end.
measured() { surface_shot 7 && [[ "$(blue_box "$work/c7.png")" == "207x157+189+97" ]]; }
wait_for 30 measured || fail "the measured step is not drawn: blue at $(blue_box "$work/c7.png")"
(($(red_count "$work/c7.png") > 50)) || fail "the section went while measuring"
[[ -n "${QUERVIK_SCREENSHOT:-}" ]] && convert "$work/s7.png" -crop "710x646+$wx+$wy" +repage "$QUERVIK_SCREENSHOT"
click 62 16  # measuring off

# --- rotated by 90° the section is taller than wide: the fit of the section
# command runs past the bottom, "Alles zeigen" shows all of it ---
xdotool mousemove --window "$wid" 632 123 click --repeat 3 1  # Editrz
xdotool key ctrl+a
xdotool type --delay 20 "90"
click 529 173  # Transformieren
read -r bw bh bx by <<<"$(sed 's/[x+]/ /g' <<<"$box1")"
rotated() { visible_shot 8 && [[ "$(red_box "$work/v8.png")" != "$box1" ]] && (($(red_count "$work/v8.png") > 50)); }
wait_for 30 rotated || fail "the rotation did not redraw"
read -r rw rh rx ry <<<"$(red_box "$work/v8.png" | sed 's/[x+]/ /g')"
((ry + rh >= 427)) || fail "the rotated section fits the height already ($(red_box "$work/v8.png")); no test"
xdotool mousemove --window "$wid" 300 400
xdotool key Home  # the focus is in Editrz; the mouse is over the drawing
shown_all() { visible_shot 9 && whole "$work/v9.png"; }
wait_for 30 shown_all || fail "Home did not show the whole section: $(red_box "$work/v9.png")"
box9=$(red_box "$work/v9.png")
xdotool mousemove --window "$wid" 300 400 click 5  # a wheel step away from it
wait_for 30 box_differs 10 "$box9" || fail "the wheel step did not change the picture"
xdotool mousemove --window "$wid" 300 400 click --repeat 2 --delay 80 1
dclicked() { visible_shot 11 && [[ "$(red_box "$work/v11.png")" == "$box9" ]]; }
wait_for 30 dclicked || fail "the double-click did not show the whole section again: $(red_box "$work/v11.png")"
echo "real window: level '$level' (tip '$tip'), $lines lines, boxes $box1 -> $box2 -> $box3, all $box9"

# --- a long series, cancelled with Esc ---
kill "$app_pid" 2>/dev/null || true
wait "$app_pid" 2>/dev/null || true
long="$work/long"
mkdir "$long"
# Two small flat triangles 999 apart and a little pyramid in the middle (the
# load's section at 499.5 shows it): Delta H 0.001 gives 999,001 levels,
# nearly all of them empty, so the series runs for seconds but writes little.
printf '%s\n' 'v 0 0 0' 'v 10 0 0' 'v 0 10 0' 'v 0 0 999' 'v 10 0 999' 'v 0 10 999' \
  'v 2 2 499' 'v 8 2 499' 'v 5 8 499' 'v 5 4 500.5' \
  'f 1 2 3' 'f 4 5 6' 'f 7 8 10' 'f 8 9 10' 'f 9 7 10' >"$long/lang.obj"
printf 'alt\r\n' >"$long/Schnitte.dxf"
"$quervik" "$long/lang.obj" >"$work/app2.log" 2>&1 &
app_pid=$!
wait_for 60 xdotool search --pid "$app_pid" --name '^Quervik$' || fail "no second window: $(cat "$work/app2.log")"
wid=$(xdotool search --pid "$app_pid" --name '^Quervik$' | head -1)
read -r wx wy <<<"$(xdotool getwindowgeometry "$wid" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')"
wait_for 60 loaded || fail "the section of the tall mesh never appeared"
delta_h() { # types $1 into EditDeltaH
  xdotool mousemove --window "$wid" 248 109 click --repeat 3 1
  xdotool key ctrl+a
  xdotool type --delay 20 "$1"
}
delta_h 0.001
click 137 16  # ToolButton5, "Serie von Schnittlinien erzeugen"
running() { compgen -G "$long/Schnitte.dxf.*"; }
wait_for 30 running || fail "the series did not start writing"
xdotool key Escape
stopped() { ! compgen -G "$long/Schnitte.dxf.*"; }
wait_for 60 stopped || fail "the temporary file of the cancelled series stayed"
[[ "$(cat "$long/Schnitte.dxf")" == $'alt\r' ]] || fail "the cancelled series replaced Schnitte.dxf"
# The window goes on: the next series runs to its end.
delta_h 100
click 137 16
replaced() { grep -q ENTITIES "$long/Schnitte.dxf"; }
wait_for 30 replaced || fail "the series after the cancel wrote nothing"
echo "real window: the series of 999001 levels was cancelled with Esc"
