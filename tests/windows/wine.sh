#!/usr/bin/env bash
# The Windows programs under Wine on a private Xvfb, with real audio output into ALSA's null
# device: the windowed program opens its 640x480 window, plays the intro and reaches the
# menu in step with the music, and Escape ends it with 0; the fullscreen program covers the
# screen under a window manager and ends on Escape; without the soundtrack each ends with 1
# and says so as the native program does; invite_render.exe writes the same PNG files as the
# native renderer.
#   wine.sh WINDOWS_BUILD NATIVE_BUILD SOURCE_DIR WORK_DIR
# Screenshots stay in WORK_DIR/screenshots.
set -u
windows_build=$(realpath "$1")
native_build=$(realpath "$2")
native_render="$native_build/invite_render"
source_dir=$(realpath "$3")
work=$(realpath -m "$4")
here=$(dirname "$(realpath "$0")")
. "$source_dir/tests/e2e/common.bash"

command -v wine >/dev/null || { echo "SKIP: wine is not installed (scripts/deps windows installs it)"; exit 0; }

# Sleeps until the given number of seconds after $started.
sleep_until() {
  sleep "$(awk -v s="$started" -v n="$(date +%s.%N)" -v t="$1" 'BEGIN { d = s + t - n; print (d > 0 ? d : 0) }')"
}

shots="$work/screenshots"
rm -rf "$work/run" "$shots"
mkdir -p "$work/run/show" "$work/run/empty" "$shots"
soundtrack=$(bash "$source_dir/scripts/stem" "$source_dir/resources").mp3 || exit 1
cp "$source_dir/resources/$soundtrack" "$work/run/show/"
cp "$windows_build"/*.exe "$work/run/"

# A prefix and a home of the test's own. The home's ALSA default device is the null device,
# so Wine opens a real audio output and the mixer plays into it without a sound card.
export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export HOME="$work/home"
mkdir -p "$HOME"
echo 'pcm.!default { type null }' >"$HOME/.asoundrc"
unset SDL_AUDIODRIVER PULSE_SERVER

start_xvfb
wineboot --init >/dev/null 2>&1 || fail "wineboot failed"
# The Wine server of this prefix only, never another one on the machine.
trap 'wineserver -k 2>/dev/null; e2e_cleanup' EXIT

E2E_FIND_BY_TITLE=1
start_wine() {
  local dir=$1 program=$2
  (cd "$dir" && exec wine "$work/run/$program") >>"$E2E_LOG" 2>&1 &
  APP_PID=$!
  E2E_PIDS+=("$APP_PID")
}

snap_root() { import -window root "$1" 2>/dev/null || fail "no screenshot $1"; }
snap_window() { import -window "$WINDOW_ID" "$1" 2>/dev/null || fail "no screenshot $1"; }
differing() { compare -metric AE "$1" "$2" null: 2>&1 | awk '{ printf "%d", $1 }'; }
# Standard deviation of the picture's brightness, 0 to 1: near 0 for a blank picture.
spread() { convert "$1" -colorspace gray -format "%[fx:standard_deviation]" info:; }
# Wine takes keys from the X focus, which xdotool's keys to a given window do not move.
press_escape() {
  xdotool windowfocus --sync "$WINDOW_ID" 2>/dev/null
  xdotool key Escape
}
# Waits until the window shows more than a blank picture: the loading screen is mostly
# black, the intro's picture is not.
wait_picture() {
  local shot=$1 limit=$2 value
  for _ in $(seq "$limit"); do
    $3 "$shot"
    value=$(spread "$shot")
    awk -v s="$value" 'BEGIN { exit !(s > 0.01) }' && return 0
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended before it showed the intro"
    sleep 1
  done
  fail "no picture within ${limit}s (spread $value)"
}

# No soundtrack: exit code 1, no window, and the file named whenever the native program
# names it.
(cd "$work/run/empty" && SDL_AUDIODRIVER=dummy timeout 30 "$native_build/invite_windowed") >"$work/run/native_empty.txt" 2>&1
for program in invite_windowed.exe invite_fullscreen.exe; do
  : >"$E2E_LOG"
  start_wine "$work/run/empty" "$program"
  wait_exit 60
  [ "$APP_CODE" -eq 1 ] || fail "$program without the soundtrack exited with $APP_CODE"
  if grep -qF "$soundtrack" "$work/run/native_empty.txt"; then
    grep -qF "$soundtrack" "$E2E_LOG" || fail "$program without the soundtrack did not name it"
  fi
  [ -z "$(xdotool search --name "$E2E_TITLE_PATTERN" 2>/dev/null)" ] || fail "a window appeared without the soundtrack"
done

# The windowed program: its window, the intro, the menu on time, Escape.
: >"$E2E_LOG"
start_wine "$work/run/show" invite_windowed.exe
started=$(date +%s.%N)
wait_window 90
geometry=$(xdotool getwindowgeometry "$WINDOW_ID")
echo "$geometry" | grep -q "Geometry: 640x480" || fail "client area is not 640x480: $geometry"
# Wine starts with the pointer in the middle of the screen, on a button: park it elsewhere.
xdotool mousemove --window "$WINDOW_ID" 620 300
wait_picture "$shots/windowed_05s.png" 30 snap_window
sleep_until 5
snap_window "$shots/windowed_05s.png"
# Past the crossfade the menu holds still and equals the native renderer's frame of it; on a
# busy machine it comes late, so the wait is long.
"$native_render" --fps 20 --snap menu+8299 --until menu+8299 --script "$source_dir/tests/windows/park.script" --out "$work/run/native_menu" >/dev/null ||
  fail "the native renderer failed"
menu_off=""
for _ in $(seq 180); do
  kill -0 "$APP_PID" 2>/dev/null || fail "the windowed program ended during the show"
  snap_window "$shots/windowed_menu.png"
  menu_off=$(differing "$shots/windowed_menu.png" "$work"/run/native_menu/t*.png)
  [ "$menu_off" -lt 100 ] && break
  sleep 1
done
[ "$menu_off" -lt 100 ] || fail "no menu like the native one within 180 s ($menu_off pixels differ)"
echo "windowed: the menu after $(awk -v s="$started" -v n="$(date +%s.%N)" 'BEGIN { printf "%.0f", n - s }') s"
press_escape
wait_exit 30
[ "$APP_CODE" -eq 0 ] || fail "Escape ended the windowed program with $APP_CODE"

# The fullscreen program covers the screen under a window manager.
start_window_manager
: >"$E2E_LOG"
start_wine "$work/run/show" invite_fullscreen.exe
started=$(date +%s.%N)
wait_window 90
wait_picture "$shots/fullscreen_05s.png" 30 snap_root
sleep_until 5
geometry=$(xdotool getwindowgeometry "$WINDOW_ID")
echo "$geometry" | grep -q "Geometry: 1024x768" || fail "the fullscreen window does not cover the screen: $geometry"
snap_root "$shots/fullscreen_05s.png"
press_escape
wait_exit 30
[ "$APP_CODE" -eq 0 ] || fail "Escape ended the fullscreen program with $APP_CODE"

# invite_render.exe and the native renderer draw the same frames: the intro, the flash, the
# crossfade, the menu and the pages a script opens (the clock page shows the time of day,
# so the script leaves it out).
times=1000,5000,20000,27600,30000,41800,44000,47000,52000,60000,66000
script="$here/render.script"
"$native_render" --fps 20 --snap "$times" --until 66000 --script "$script" --out "$work/run/native" >/dev/null ||
  fail "the native renderer failed"
(cd "$work/run" && wine invite_render.exe --fps 20 --snap "$times" --until 66000 --script "$(winepath -w "$script")" \
  --out windows) >>"$E2E_LOG" 2>&1 || fail "invite_render.exe failed"
for t in ${times//,/ }; do
  cmp -s "$work/run/native/t$t.png" "$work/run/windows/t$t.png" ||
    fail "invite_render.exe frame t$t.png differs from the native one"
done

echo "windows tests passed"
