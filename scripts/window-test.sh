#!/usr/bin/env bash
# The window as a user drives it, under a real X server (Xvfb at 1600x1000 with
# the openbox window manager), with xdotool: velmora-host on a copy of the demo
# opens the manager and two views (the main area takes them as tabs), puts
# Boiler online, switches on its plant simulation, changes its set point
# through the input dialog, shows its graph page, fits a model to the
# recording and writes the slow suggestion's set-point filter through the
# set-point page, floats Dryer, closes the PLC, opens it again, exits, starts
# again, and checks after each step that the views are back where they were,
# in the same areas and order, with live values.
#
#   bash scripts/window-test.sh [--shots DIR]
#
# The host keeps what its windows show in a state file (--state-file=): which
# forms are where on the screen and the named widgets with their texts. The
# script clicks what that file places and checks what it reads there. With
# --shots it also saves screenshots of the layout, in English and Czech.
# BUILD_DIR names the build folder (default build, as scripts/test.sh leaves it).
set -uo pipefail
cd "$(dirname "$0")/.."
shots=""
[ "${1:-}" = "--shots" ] && shots=$(realpath -m "${2:?--shots needs a folder}")
BIN=$(pwd)/${BUILD_DIR:-build}/bin
[ -x "$BIN/velmora-host" ] && [ -e "$BIN/libVelmora.so" ] ||
  { echo "window-test: build velmora-host and the plug-in module first ($BIN)" >&2; exit 2; }
bash scripts/deps.sh xvfb xdotool openbox x11-utils imagemagick >/dev/null ||
  { echo "window-test: cannot install xvfb, xdotool, openbox, x11-utils, imagemagick" >&2; exit 2; }

work=$(mktemp -d /tmp/velmora-window.XXXXXX)
cp -r examples/demo "$work/demo"
export VELMORA_REGISTRY=$work/registry.ini
"$BIN/velmora-host" register "$BIN/libVelmora.so" >/dev/null || exit 2
state=$work/state.txt
started=$SECONDS
fail() {
  echo "window-test: FAILED: $*" >&2
  echo "--- last window state ($((SECONDS - started)) s):" >&2
  grep -E '^(window|top|form)' "$state" >&2 2>/dev/null
  [ -n "${DISPLAY:-}" ] && import -window root "$work/failure.png" 2>/dev/null && echo "screen: $work/failure.png" >&2
  exit 1
}

# ---- the X server, the window manager, the host ----
for n in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { export DISPLAY=:$n; break; }
done
Xvfb "$DISPLAY" -screen 0 1600x1000x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
host=""
stop() {
  [ -n "$host" ] && kill "$host" 2>/dev/null
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
  kill "$xvfb" 2>/dev/null
}
trap stop EXIT
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$work/openbox.log" 2>&1 &
wm=$!
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done

start_host() {
  rm -f "$state"
  QT_QPA_PLATFORM=xcb "$BIN/velmora-host" window "$work/demo" PLC1 "--state-file=$state" /USECOMMLOGFILE \
    >>"$work/host.log" 2>&1 &
  host=$!
  until_true 20 "the main window" grep -q '^item.*ProjectTree.PLC1' "$state"
  local id
  main=$(xdotool search --onlyvisible --name 'Orvane IDE' | head -1)
  until_true 10 "the main window at 1600x1000" full_screen
}
full_screen() { # the window manager may still be placing the window: ask until it is so
  xdotool windowsize "$main" 1600 1000 windowmove "$main" 0 0 windowactivate --sync "$main" 2>/dev/null
  sleep 0.3
  awk -F'\t' '$1=="window" && $5 >= 1590 && $6 >= 990 { ok = 1 } END { exit !ok }' "$state"
}
keys() { xdotool windowactivate --sync "$main" 2>/dev/null; sleep 0.2; xdotool key --delay 150 "$@"; }

# until_true SECONDS WHAT COMMAND...: runs COMMAND until it succeeds.
until_true() {
  local limit=$1 what=$2; shift 2
  for _ in $(seq $((limit * 5))); do "$@" >/dev/null 2>&1 && return 0; sleep 0.2; done
  fail "no $what within ${limit}s"
}
# Fields of a state line: kind, owner, name, text, x, y, w, h (item and tab lines alike).
line() { awk -F'\t' -v k="$1" -v o="$2" -v n="$3" '$1==k && $2==o && $3==n' "$state" | head -1; }
text() { line widget "$1" "$2" | cut -f4; }
centre() { awk -F'\t' '{ printf "%d %d\n", $5 + $7 / 2, $6 + $8 / 2 }'; }
click() { # click OWNER NAME [clicks]: a named widget of a form or window
  local at
  at=$(line widget "$1" "$2" | centre)
  [ -n "$at" ] || fail "no widget $2 of '$1' to click"
  xdotool mousemove $at click --repeat "${3:-1}" --delay 120 1
}
click_item() { # click_item OWNER VIEW TEXT [clicks] [x offset from the left]
  local at
  at=$(awk -F'\t' -v o="$1" -v n="$2" -v t="$3" -v dx="${5:-}" '($1=="item"||$1=="tab") && $2==o && $3==n && $4==t {
         i = $1 == "tab" ? 6 : 5  # a tab line says first whether it is the current one
         printf "%d %d\n", dx == "" ? $i + $(i + 2) / 2 : $i + dx, $(i + 1) + $(i + 3) / 2 }' "$state" | head -1)
  [ -n "$at" ] || fail "no item '$3' in $2 of '$1'"
  xdotool mousemove $at click --repeat "${4:-1}" --delay 120 1
}
form() { awk -F'\t' -v o="$1" '$1=="form" && $2==o { print $3, $4, $5, $6, $7, $8 }' "$state" | head -1; }
shot() { [ -n "$shots" ] && mkdir -p "$shots" && import -window root "$shots/$1.png"; }
has_value() { [[ "$(text "$1" "$2")" == *% ]]; }
views_closed() { ! grep -q $'^form\tVelmora - ' "$state"; }
no_top() { ! grep -q "^top"$'\t'"$1" "$state"; }
win=$'Orvane IDE (velmora-host)'
graph_tools_shown() { # Zoom, Follow, Measure, A-B and the axis dialogs, none behind a "»"
  for tool in ToolButton8 ToolButton10 ToolButton14 ToolButtonMeasure1 ToolButton18 ToolButton19; do
    grep -q $'^widget\tVelmora - Boiler\t'"$tool"$'\t' "$state" || fail "graph tool $tool hidden ($1)"
  done
}

# ---- a day's work: manager, two views, one online, a set point, the graph ----
start_host
click "$win" CompileAction  # the soft PLC runs the generated program
sleep 1
click "$win" tool100  # the plug-in's tool-bar button: its manager
until_true 10 "controller manager" grep -q $'^item\tVelmora\tCheckListBox1\tBoiler' "$state"
click_item Velmora CheckListBox1 Boiler 2
until_true 10 "Boiler view" grep -q $'^form\tVelmora - Boiler\t1\tfront' "$state"
click_item Velmora CheckListBox1 Dryer 2
until_true 10 "Dryer view in front" grep -q $'^form\tVelmora - Dryer\t1\tfront' "$state"
click_item "$win" DocumentTabs "Velmora - Boiler"
until_true 5 "Boiler tab in front" grep -q $'^form\tVelmora - Boiler\t1\tfront' "$state"
read -r _ _ x y w h <<<"$(form 'Velmora - Boiler')"
((x < 400 && w >= 1200 && h >= 700)) || fail "the view does not get the main area: $x $y ${w}x$h"
click_item Velmora CheckListBox1 Boiler 1 8  # its check box: online
until_true 15 "live values in Boiler" has_value "Velmora - Boiler" Y1Edit1
shot online-view-boiler-pid-en
# The view's plant simulation closes the loop: its dialog from the plant's box, "active" ticked.
click "Velmora - Boiler" TechImage1
until_true 5 "plant simulation dialog" grep -q $'^top\tPlant simulation - Boiler' "$state"
read -r x y w h <<<"$(line widget 'Velmora - Boiler' CheckBoxSim1 | cut -f5-8)"
xdotool mousemove $((x + 8)) $((y + h / 2)) click 1 && sleep 0.3 && xdotool key Return
until_true 5 "the simulation on" grep -qP '^widget\tVelmora - Boiler\tSimLabel1\t' "$state"
click "Velmora - Boiler" W1Edit1
until_true 5 "set point dialog" grep -q '^top' "$state"
xdotool key ctrl+a && xdotool type --delay 40 "40" && xdotool key Return
until_true 10 "set point 40 % shown" grep -qP '^widget\tVelmora - Boiler\tW1Edit1\t40' "$state"
click "Velmora - Boiler" GrafButton1
until_true 5 "graph page" grep -q $'^widget\tVelmora - Boiler\tToolButton8' "$state"
graph_tools_shown "at 1600x1000"
sleep 2
shot trend-boiler-en
# ---- a model from the recording; the slow row's set-point filter written through the set-point page ----
sleep 25
click "Velmora - Boiler" ToolButtonMeasure1  # the A-B marks, around the set-point step
read -r _ _ x y w h <<<"$(form 'Velmora - Boiler')"
xdotool mousemove $((x + 120)) $((y + h / 2)) click 1 && sleep 0.3
xdotool mousemove $((x + w - 300)) $((y + h / 2)) click 1 && sleep 0.3
click "Velmora - Boiler" TuningButton1
until_true 10 "the tuning dialog" grep -q $'^top\tModel and tuning from the recording' "$state"
[[ "$(text 'Velmora - Boiler' ModelLabel1)" == *"integrator yes"* ]] ||
  fail "no integrating model of Boiler's plant: $(text 'Velmora - Boiler' ModelLabel1) $(text 'Velmora - Boiler' MessageLabel1)"
read -r x y w h <<<"$(line widget 'Velmora - Boiler' RowsTable1 | cut -f5-8)"
xdotool mousemove $((x + 40)) $((y + 60)) click 1 && sleep 0.5  # the slow row
click "Velmora - Boiler" UseValsButton1
until_true 5 "the set-point page" grep -q $'^top\tDesired variable modification' "$state"
shot tuning-setpoint-page-en
xdotool key Return
until_true 5 "the filter written" grep -q 'Set-point modification written: filter, TiW' "$state"
tiW=$(awk '/^\[Regulator Boiler\]/{b=1} /^\[/{if(!/Boiler/)b=0} b&&/^TiW=/{sub(/TiW=/,"");print}' "$work/demo/Velmora/PLC1.rglx" | tr -d '\r')
[[ "$(text 'Velmora - Boiler' MessageLabel1)" == *"TiW $tiW."* ]] ||
  fail "the file's TiW $tiW is not the one the dialog says it wrote"
click "Velmora - Boiler" CloseButton1
until_true 5 "the tuning dialog closed" no_top "Model and tuning from the recording"
# Dryer floats in a window that shows its whole schema.
click_item "$win" DocumentTabs "Velmora - Dryer" 2
until_true 5 "floating Dryer" grep -q $'^form\tVelmora - Dryer\t5' "$state"
dryer=$(xdotool search --onlyvisible --name 'Velmora - Dryer' | head -1)
xdotool windowmove "$dryer" 300 180
sleep 1
read -r x y w h <<<"$(line widget 'Velmora - Dryer' SchemaPanel1 | cut -f5-8)"
((w >= 942 && h >= 502)) || fail "floating Dryer shows ${w}x$h of its schema, which needs 940x500"
shot online-view-floating-en
before=$(grep -E $'^form\tVelmora - ' "$state" | cut -f2-4 | sort)
dryerAt=$(form 'Velmora - Dryer' | cut -d' ' -f3-)
tree=$(line widget "$win" ProjectTree | cut -f7)

# ---- File > Close PLC keeps the desktop, opening the PLC brings it back ----
same_desktop() {
  [ "$(grep -E $'^form\tVelmora - ' "$state" | cut -f2-4 | sort)" = "$before" ] || return 1
  read -r ax ay aw ah <<<"$dryerAt"
  read -r _ _ bx by bw bh <<<"$(form 'Velmora - Dryer')"
  ((${bx:-0} - ax <= 4 && ax - ${bx:-0} <= 4 && ${by:-0} - ay <= 4 && ay - ${by:-0} <= 4 && bw == aw && bh == ah))
}
keys alt+f c
until_true 10 "views closed with the PLC" views_closed
grep -q '^Velmora - Boiler=1,' "$work/demo/Velmora/PLC1.rglx" || fail "Close PLC did not store the desktop"
! grep -E '^Velmora - .*=[0-9],[01],[01],-' "$work/demo/Velmora/PLC1.rglx" || fail "a view stored off the screen"
click_item "$win" ProjectTree PLC1 2
until_true 10 "the same desktop after reopening the PLC" same_desktop

# ---- Exit and a new start ----
keys ctrl+q
for _ in $(seq 50); do kill -0 "$host" 2>/dev/null || break; sleep 0.2; done
kill -0 "$host" 2>/dev/null && fail "the host did not exit"
host=""
start_host
until_true 15 "the same desktop after a restart" same_desktop
w=$(line widget "$win" ProjectTree | cut -f7)
((w <= tree + 8)) || fail "the Project panel came back ${w} px wide (was $tree)"
grep -q $'^widget\tVelmora - Boiler\tToolButton8' "$state" || fail "Boiler did not come back on its graph page"
graph_tools_shown "after the restart"
click "Velmora - Boiler" KomunikaceButton1
click "Velmora - Boiler" SchemaButton1
until_true 15 "live values after the restart" has_value "Velmora - Boiler" Y1Edit1

# A double click on the floating window's title bar docks it back into the main area.
at=$(awk -F'\t' '$1=="top" && $2=="Velmora - Dryer" { printf "%d %d\n", $3 + 120, $4 + 8 }' "$state")
[ -n "$at" ] || fail "Dryer is not floating after the restart"
xdotool mousemove $at click --repeat 2 --delay 120 1
until_true 5 "Dryer back in the main area" grep -q $'^form\tVelmora - Dryer\t1\tfront' "$state"
click_item "$win" DocumentTabs "Velmora - Boiler"
until_true 5 "Boiler in front again" grep -q $'^form\tVelmora - Boiler\t1\tfront' "$state"

# ---- the layout in Czech, for the screenshots ----
if [ -n "$shots" ]; then
  keys ctrl+q
  for _ in $(seq 50); do kill -0 "$host" 2>/dev/null || break; sleep 0.2; done
  printf '[HKEY_CURRENT_USER\\Software\\Orvane\\IDE\\Settings]\nLanguage=405\n' >>"$VELMORA_REGISTRY"
  start_host
  until_true 15 "Boiler in front in Czech" grep -q $'^form\tVelmora - Boiler\t1\tfront' "$state"
  click "Velmora - Boiler" KomunikaceButton1
  until_true 15 "live values in Czech" has_value "Velmora - Boiler" Y1Edit1
  sleep 1
  shot online-view-boiler-pid-cs
  click "Velmora - Boiler" GrafButton1
  sleep 3
  graph_tools_shown "in Czech"
  shot trend-boiler-cs
fi
keys ctrl+q
for _ in $(seq 50); do kill -0 "$host" 2>/dev/null || break; sleep 0.2; done
host=""
echo "window-test: passed in $((SECONDS - started)) s"
rm -rf "$work"
