# A private PulseAudio server with one null output, for the tests and measurements that play
# through a real sound server. Sourced after common.bash, whose cleanup it joins.

# Starts the server in a fresh runtime folder and points the clients started later at it.
# Its log (every underrun included, with the seconds since the server started) goes to
# $PULSE_LOG. It runs as on a desktop: its main thread at nice -11, its output thread
# real-time (a desktop's RealtimeKit grants both; here they need root).
start_sound_server() {
  PULSE_HOME=$(mktemp -d)
  export XDG_RUNTIME_DIR=$PULSE_HOME/run HOME=$PULSE_HOME/home PULSE_LOG=$PULSE_HOME/pulse.log
  mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
  chmod 700 "$XDG_RUNTIME_DIR"
  pulseaudio -n --load="module-null-sink sink_name=first" --load=module-native-protocol-unix \
    --exit-idle-time=-1 --daemonize=no --high-priority=yes --realtime=yes \
    --log-target="file:$PULSE_LOG" --log-time=1 -vvvv >/dev/null 2>&1 &
  E2E_PIDS+=($!)
  SOUND_SERVER_PID=$!
  for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  fail "the sound server did not start"
}

# The sink the program's stream plays into, empty while it has none.
stream_sink() {
  local sink
  sink=$(pactl list short sink-inputs 2>/dev/null | awk '{print $2}' | head -1)
  [ -n "$sink" ] && pactl list short sinks | awk -v id="$sink" '$1 == id {print $2}'
}

# Waits until the program's stream plays into sink $1.
wait_stream_on() {
  local limit=${2:-20}
  for _ in $(seq $((limit * 10))); do
    [ "$(stream_sink)" = "$1" ] && return 0
    sleep 0.1
  done
  fail "no stream on the sink $1 within ${limit}s (streams: $(pactl list short sink-inputs))"
}
