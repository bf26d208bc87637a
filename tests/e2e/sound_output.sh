#!/usr/bin/env bash
# The windowed program through a real sound server whose output goes away and comes back, as
# an unplugged USB or HDMI output does: it says so once, keeps the show on its music clock
# through the gap, and plays into the new output from where the music has got to.
set -u
windowed=$1
source_dir=$3
here=$(dirname "$0")
. "$here/common.bash"
. "$here/sound_server.bash"

start_xvfb
start_sound_server

(cd "$source_dir/resources" && SDL_AUDIODRIVER=pulseaudio exec "$windowed") >>"$E2E_LOG" 2>&1 &
APP_PID=$!
E2E_PIDS+=("$APP_PID")
wait_window 60
wait_stream_on first

said_count() {
  grep -c -- "$1" "$E2E_LOG"
}

sleep 2
pactl unload-module module-null-sink
lost_at=$(date +%s.%N)
for _ in $(seq 50); do [ "$(said_count "The sound output went away")" -ge 1 ] && break; sleep 0.1; done
[ "$(said_count "The sound output went away")" -eq 1 ] || fail "the lost output was not reported once"

sleep 3
pactl load-module module-null-sink sink_name=second >/dev/null
pactl set-default-sink second
back_at=$(date +%s.%N)
wait_stream_on second 10
[ "$(said_count "The sound output is back")" -eq 1 ] || fail "the output's return was not reported once"
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"

# The music went on through the gap: it comes back that much further on than where it was.
lost=$(sed -n 's/.*went away at \([0-9.]*\) s.*/\1/p' "$E2E_LOG")
back=$(sed -n 's/.*plays on from \([0-9.]*\) s.*/\1/p' "$E2E_LOG")
gap=$(awk -v from="$lost_at" -v to="$back_at" 'BEGIN { print to - from }')
awk -v lost="$lost" -v back="$back" -v gap="$gap" 'BEGIN { moved = back - lost; exit !(moved > gap - 0.5 && moved < gap + 2.0) }' ||
  fail "the music came back at $back s after $lost s across a gap of $gap s"

python3 "$here/xlib_close.py" "$WINDOW_ID"
wait_exit 20
[ "$APP_CODE" -eq 0 ] || fail "closing the window ended the run with $APP_CODE"
echo "sound output tests passed"
