#!/usr/bin/env bash
# The real programs under Xvfb: the soundtrack is required before any window, the window has
# its title in both its properties and a 640x480 client area, Escape, closing it or
# destroying it ends the run with 0, and the fullscreen build covers the screen.
set -u
windowed=$1
fullscreen=$2
source_dir=$3
here=$(dirname "$0")
. "$here/common.bash"

start_xvfb

# No soundtrack in the working folder: exit code 1 and no window.
empty=$(mktemp -d)
for program in "$windowed" "$fullscreen"; do
  start_app "$empty" "$program"
  wait_exit 20
  [ "$APP_CODE" -eq 1 ] || fail "$(basename "$program") without the soundtrack exited with $APP_CODE"
  [ -z "$(xdotool search --name "$E2E_TITLE_PATTERN" 2>/dev/null)" ] || fail "a window appeared without the soundtrack"
done
rmdir "$empty"

# Escape during the intro ends the run.
start_app "$source_dir/resources" "$windowed"
wait_window 60
geometry=$(xdotool getwindowgeometry "$WINDOW_ID")
echo "$geometry" | grep -q "Geometry: 640x480" || fail "client area is not 640x480: $geometry"
# Both titles name the party, the older one too, whatever letters its name has.
names=$(python3 "$here/window_names.py" "$WINDOW_ID") || fail "cannot read the window's titles"
[ "$names" = "$E2E_TITLE"$'\n'"$E2E_TITLE" ] || fail "the titles (WM_NAME, _NET_WM_NAME) read: $names"
sleep 2
xdotool key --window "$WINDOW_ID" Escape
wait_exit 20
[ "$APP_CODE" -eq 0 ] || fail "Escape ended the run with $APP_CODE"

# Closing the window ends the run.
start_app "$source_dir/resources" "$windowed"
wait_window 60
sleep 2
python3 "$here/xlib_close.py" "$WINDOW_ID"
wait_exit 20
[ "$APP_CODE" -eq 0 ] || fail "closing the window ended the run with $APP_CODE"

# A window destroyed by another program ends the run as a close does, without the window
# system's error dump.
start_app "$source_dir/resources" "$windowed"
wait_window 60
xdotool windowclose "$WINDOW_ID"
wait_exit 20
[ "$APP_CODE" -eq 0 ] || fail "destroying the window ended the run with $APP_CODE"
tail -n +"$((APP_LOG_FROM + 1))" "$E2E_LOG" | grep -q "X Error" && fail "destroying the window printed an X error"

# The fullscreen build takes the whole screen and also ends on Escape.
start_window_manager
start_app "$source_dir/resources" "$fullscreen"
wait_window 60
sleep 1
geometry=$(xdotool getwindowgeometry "$WINDOW_ID")
echo "$geometry" | grep -q "Geometry: 1024x768" || fail "the fullscreen window does not cover the screen: $geometry"
xdotool key --window "$WINDOW_ID" Escape
wait_exit 20
[ "$APP_CODE" -eq 0 ] || fail "Escape ended the fullscreen run with $APP_CODE"

echo "window tests passed"
