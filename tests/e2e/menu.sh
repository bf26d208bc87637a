#!/usr/bin/env bash
# The menu of the real windowed program under Xvfb: wait for the menu, open page 1 with a
# click and return with a right click (press and release sent together, as a quick tap
# sends them), open the clock page with a held press, return, make the window square and
# click into the bar above the picture (nothing happens), enlarge the window and quit with
# a click on the exit button.
# Screenshots of the menu, page 1 and the clock page are kept in ./e2e-artifacts (in a folder
# named after INVITE_PRESENT when that chooses the presentation).
set -u
windowed=$1
source_dir=$3
here=$(dirname "$0")
. "$here/common.bash"

artifacts="$PWD/e2e-artifacts${INVITE_PRESENT:+/$INVITE_PRESENT}"
mkdir -p "$artifacts"
shots=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$shots"' EXIT

snap() { import -window "$WINDOW_ID" "$1" 2>/dev/null || fail "no screenshot $1"; }

# Pixels that differ between two screenshots.
differing() { compare -metric AE "$1" "$2" null: 2>&1 | awk '{ printf "%d", $1 }'; }

# The press and the release go out in separate frames, so the program sees the press.
press() {
  local button=$1 x=$2 y=$3
  xdotool mousemove --window "$WINDOW_ID" "$x" "$y"
  sleep 0.2
  xdotool mousedown "$button"
  sleep 0.2
  xdotool mouseup "$button"
  sleep 0.5
}

# A click as xdotool sends it: press and release at once, which the program receives in the
# same pump.
tap() {
  local button=$1 x=$2 y=$3
  xdotool mousemove --window "$WINDOW_ID" "$x" "$y"
  sleep 0.2
  xdotool click "$button"
  sleep 0.5
}

alive() { kill -0 "$APP_PID" 2>/dev/null || fail "the program ended $1"; }

start_xvfb
start_app "$source_dir/resources" "$windowed"
wait_window 30

# Park the mouse away from the buttons and the top strip: once the stars stop moving, two
# screenshots a second apart are the same and the menu is up (after 41.7 s of music). The
# still loading screen comes first, so the watch begins well into the intro.
xdotool mousemove --window "$WINDOW_ID" 620 300
sleep 35
alive "during the intro"
snap "$shots/previous.png"
menu_up=0
for _ in $(seq 60); do
  sleep 1
  alive "before the menu appeared"
  snap "$shots/current.png"
  if [ "$(differing "$shots/previous.png" "$shots/current.png")" = "0" ]; then
    menu_up=1
    break
  fi
  mv "$shots/current.png" "$shots/previous.png"
done
[ "$menu_up" -eq 1 ] || fail "the menu did not appear within 95 s"
sleep 2.5  # past the crossfade, onto the plain menu picture
snap "$artifacts/menu.png"

tap 1 300 130
alive "on opening page 1"
snap "$artifacts/page1.png"
changed=$(differing "$artifacts/menu.png" "$artifacts/page1.png")
[ "$changed" -gt 10000 ] || fail "page 1 did not open ($changed pixels changed)"

tap 3 620 300
snap "$shots/back.png"
[ "$(differing "$artifacts/menu.png" "$shots/back.png")" = "0" ] || fail "the right click did not return to the menu"

press 1 320 40
alive "on opening the clock page"
xdotool mousemove --window "$WINDOW_ID" 620 300
sleep 0.3
snap "$artifacts/clock.png"
changed=$(differing "$artifacts/menu.png" "$artifacts/clock.png")
[ "$changed" -gt 1000 ] || fail "the clock page did not open ($changed pixels changed)"
sleep 1.2
snap "$shots/clock_later.png"
[ "$(differing "$artifacts/clock.png" "$shots/clock_later.png")" != "0" ] || fail "the clock page stands still"

press 3 620 300
snap "$shots/back.png"
[ "$(differing "$artifacts/menu.png" "$shots/back.png")" = "0" ] || fail "the right button did not leave the clock page"

# A square window shows the frame with bars of 80 rows above and below. A click in the top
# bar, above the strip that opens the clock page, is no click at all.
xdotool windowsize "$WINDOW_ID" 640 640
sleep 1
alive "after the window was made square"
xdotool mousemove --window "$WINDOW_ID" 620 380
sleep 0.3
snap "$shots/square.png"
tap 1 320 30
tap 1 320 600
xdotool mousemove --window "$WINDOW_ID" 620 380
sleep 0.3
snap "$artifacts/bar_click.png"
[ "$(differing "$shots/square.png" "$artifacts/bar_click.png")" = "0" ] || fail "a click in a bar changed the picture"

# A larger window scales the frame; clicks still land on what is shown under the pointer.
xdotool windowsize "$WINDOW_ID" 960 720
sleep 1
alive "after the window was resized"
tap 1 450 435  # the exit button (300, 290 in the frame) at one and a half times the size
wait_exit 20
[ "$APP_CODE" -eq 0 ] || fail "the exit button ended the run with $APP_CODE"
echo "menu window test passed"
