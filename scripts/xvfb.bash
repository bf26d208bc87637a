# The one way every window test and measurement starts its private X server. Sourced, not run.

# xvfb_start [WIDTHxHEIGHT]: starts Xvfb on a free display with one 24-bit screen of that size
# (default 1024x768), exports DISPLAY and sets XVFB_PID, which the caller stops when done (it
# is set even when the server does not come up). Returns 1 when no display was announced
# within 20 s.
xvfb_start() {
  local size=${1:-1024x768} fifo number=""
  fifo=$(mktemp -u)
  mkfifo "$fifo" || return 1
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fifo" 2>/dev/null &
  XVFB_PID=$!
  read -r -t 20 number <"$fifo"
  rm -f "$fifo"
  [ -n "$number" ] || return 1
  export DISPLAY=":$number"
}
