# Shared by the window tests: a private Xvfb, the program under test, and polling helpers.
# Sourced, not run. Every wait has a time limit; everything started is stopped on exit.

E2E_PIDS=()
e2e_cleanup() {
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -f "$E2E_LOG"
}
trap e2e_cleanup EXIT

E2E_LOG=$(mktemp)
fail() {
  echo "FAIL: $*" >&2
  echo "--- DISPLAY=${DISPLAY:-} windows:" >&2
  xwininfo -root -tree 2>&1 | head -20 >&2
  echo "--- program output:" >&2
  cat "$E2E_LOG" >&2
  exit 1
}

# start_xvfb [WIDTHxHEIGHT]: Xvfb on a free display (default 1024x768); exports DISPLAY.
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.bash"
start_xvfb() {
  local status=0
  xvfb_start "$@" || status=$?
  E2E_PIDS+=("$XVFB_PID")
  [ "$status" -eq 0 ] || fail "Xvfb did not start"
}

# Starts a window manager on the display, as a desktop has: it is what turns a request for
# the whole screen into a window that covers it.
start_window_manager() {
  local wm
  # Now and then openbox ends at once on a busy machine; it is started again, three times at most.
  for _ in 1 2 3; do
    openbox --sm-disable >>"$E2E_LOG" 2>&1 &
    wm=$!
    E2E_PIDS+=("$wm")
    for _ in $(seq 100); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
      kill -0 "$wm" 2>/dev/null || break
      sleep 0.1
    done
  done
  fail "the window manager did not start"
}

# Runs a program in the background from a folder; sets APP_PID.
start_app() {
  local dir=$1 program=$2
  APP_DIR=$dir
  APP_PROGRAM=$program
  APP_RETRIED=
  launch_app
}

launch_app() {
  APP_LOG_FROM=$(wc -l <"$E2E_LOG")
  (cd "$APP_DIR" && SDL_AUDIODRIVER=dummy exec "$APP_PROGRAM") >>"$E2E_LOG" 2>&1 &
  APP_PID=$!
  E2E_PIDS+=("$APP_PID")
}

# Now and then, on a busy machine, a program started on a fresh Xvfb cannot make its window
# (it says "could not create window" and ends with code 1) although the display is up; it is
# started once more, and a second such end fails the test.
retry_window_once() {
  [ -n "${APP_PROGRAM:-}" ] && [ -z "${APP_RETRIED:-}" ] || return 1
  tail -n +"$((APP_LOG_FROM + 1))" "$E2E_LOG" | grep -q "could not create window" || return 1
  xdpyinfo >/dev/null 2>&1 || return 1
  APP_RETRIED=1
  echo "note: the program could not create its window on a display that is up; starting it once more" >&2
  launch_app
}

# The window's title, "NAME Party Invitation" for the party the programs were built with, as a
# pattern for xdotool.
E2E_TITLE=$(sed -n 's/^inline constexpr const char\* invitationTitle = "\(.*\)";$/\1/p' \
  "$(dirname "${BASH_SOURCE[0]}")/../../resources/party_name.h" | sed 's/\\\(.\)/\1/g')
E2E_TITLE_PATTERN="^$(printf '%s' "$E2E_TITLE" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"

# The visible window of the program started last, found by its process (_NET_WM_PID), so any
# party's name will do; a Windows program under Wine is found by its title
# (E2E_FIND_BY_TITLE=1), its window being Wine's.
find_window() {
  if [ -n "${E2E_FIND_BY_TITLE:-}" ]; then
    xdotool search --onlyvisible --name "$E2E_TITLE_PATTERN" 2>/dev/null | tail -1
  else
    xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | tail -1
  fi
}

# Waits for the program's window; sets WINDOW_ID.
wait_window() {
  local limit=${1:-30}
  for _ in $(seq $((limit * 10))); do
    WINDOW_ID=$(find_window)
    if [ -n "$WINDOW_ID" ]; then
      sleep 0.5  # the same window still there: not one replaced while the program starts
      [ "$(find_window)" = "$WINDOW_ID" ] && return 0
    fi
    if ! kill -0 "$APP_PID" 2>/dev/null; then
      wait "$APP_PID"
      local code=$?
      [ "$code" -eq 1 ] && retry_window_once && continue
      fail "the program ended with code $code before its window appeared"
    fi
    sleep 0.1
  done
  fail "no window within ${limit}s"
}

# Waits for APP_PID to end; sets APP_CODE.
wait_exit() {
  local limit=${1:-20}
  for _ in $(seq $((limit * 10))); do
    if ! kill -0 "$APP_PID" 2>/dev/null; then
      wait "$APP_PID"
      APP_CODE=$?
      return 0
    fi
    sleep 0.1
  done
  fail "the program did not end within ${limit}s"
}
