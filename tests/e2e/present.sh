#!/usr/bin/env bash
# Both presentations under Xvfb, the texture path (INVITE_PRESENT=texture) and the window
# surface path (INVITE_PRESENT=surface), show the same menu: the windowed program's window
# equals the offline renderer's frame, the fullscreen program on a 1280x1024 screen shows it
# doubled between black bars of 32 rows, and on a 1920x1080 screen both paths show the same
# picture (doubled, then smoothly to 1440x1080) between black bars of 240 columns.
# The six runs go side by side, each on an Xvfb of its own, so the wait for the menu is paid
# once. Screenshots are kept in ./e2e-artifacts/present.
set -u
windowed=$1
fullscreen=$2
source_dir=$3
render="$(dirname "$windowed")/invite_render"
here=$(dirname "$0")
. "$here/common.bash"

artifacts="$PWD/e2e-artifacts/present"
rm -rf "$artifacts"
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$work"' EXIT

differing() { compare -metric AE "$@" null: 2>&1 | awk '{ printf "%d", $1 }'; }

# The menu as the offline renderer draws it with the mouse parked as below.
"$render" --fps 20 --snap 50000 --until 50000 --script "$source_dir/tests/windows/park.script" \
  --out "$work/render" >/dev/null || fail "the offline renderer failed"
reference="$work/render/t50000.png"
# The fullscreen program draws its own pointer, the offline renderer none: the pointer's
# corner of the picture is left out of that comparison.
pointer_1280="rectangle 1220,612 1279,712"
convert "$reference" -scale 200% -background black -gravity center -extent 1280x1024 \
  -fill black -draw "$pointer_1280" "$work/doubled_1280x1024.png"

# One run: its own Xvfb of the given size (and a window manager for the fullscreen program),
# the program with the given presentation, and the mouse parked at frame (620, 300).
declare -A DISPLAYS APPS WINDOWS
start_run() {
  local name=$1 program=$2 present=$3 screen=$4 park_x=$5 park_y=$6
  start_xvfb "$screen"
  DISPLAYS[$name]=$DISPLAY
  if [ "$program" = "$fullscreen" ]; then start_window_manager; fi
  (cd "$source_dir/resources" && SDL_AUDIODRIVER=dummy INVITE_PRESENT=$present exec "$program") >>"$E2E_LOG" 2>&1 &
  APP_PID=$!
  E2E_PIDS+=("$APP_PID")
  APPS[$name]=$APP_PID
  wait_window 60
  WINDOWS[$name]=$WINDOW_ID
  if [ "$program" = "$fullscreen" ]; then
    xdotool mousemove "$park_x" "$park_y"
  else
    xdotool mousemove --window "$WINDOW_ID" "$park_x" "$park_y"
  fi
}

snap() {
  local name=$1 out=$2
  if [ "${name#windowed}" != "$name" ]; then
    DISPLAY=${DISPLAYS[$name]} import -window "${WINDOWS[$name]}" "$out" 2>/dev/null
  else
    DISPLAY=${DISPLAYS[$name]} import -window root "$out" 2>/dev/null
  fi
}

# Frame (620, 300) on each screen: the picture's left edge plus the column times the scale.
for present in texture surface; do
  start_run "windowed_$present" "$windowed" "$present" 1024x768 620 300
  start_run "full1280_$present" "$fullscreen" "$present" 1280x1024 1240 632
  start_run "full1920_$present" "$fullscreen" "$present" 1920x1080 1635 675
done

for name in "${!DISPLAYS[@]}"; do
  geometry=$(DISPLAY=${DISPLAYS[$name]} xdotool getwindowgeometry "${WINDOWS[$name]}")
  case $name in
    windowed_*) want=640x480 ;;
    full1280_*) want=1280x1024 ;;
    full1920_*) want=1920x1080 ;;
  esac
  echo "$geometry" | grep -q "Geometry: $want" || fail "$name: the window is not $want: $geometry"
done

# The menu holds still after 44 s of music; on a busy machine it comes late.
matched() {
  local name=$1 shot=$2
  case $name in
    windowed_*) [ "$(differing "$shot" "$reference")" -eq 0 ] ;;
    full1280_*)
      convert "$shot" -fill black -draw "$pointer_1280" "$shot.masked.png"
      [ "$(differing "$shot.masked.png" "$work/doubled_1280x1024.png")" -eq 0 ]
      ;;
    full1920_*)
      # No reference to equal here: the menu is up once the picture holds still.
      [ -f "$shot.previous" ] && [ "$(differing "$shot" "$shot.previous")" -eq 0 ] && [ "$(stat -c %s "$shot")" -gt 0 ] &&
        awk -v t="$(date +%s)" -v s="$START" 'BEGIN { exit !(t - s > 46) }'
      ;;
  esac
}

START=$(date +%s)
declare -A DONE
sleep 40
for _ in $(seq 120); do
  pending=0
  for name in "${!DISPLAYS[@]}"; do
    [ -n "${DONE[$name]:-}" ] && continue
    kill -0 "${APPS[$name]}" 2>/dev/null || fail "$name: the program ended during the show"
    shot="$work/$name.png"
    [ -f "$shot" ] && mv "$shot" "$shot.previous"
    snap "$name" "$shot" || fail "$name: no screenshot"
    if matched "$name" "$shot"; then DONE[$name]=1; cp "$shot" "$artifacts/$name.png"; else pending=1; fi
  done
  [ "$pending" -eq 0 ] && break
  sleep 1
done
for name in "${!DISPLAYS[@]}"; do
  if [ -z "${DONE[$name]:-}" ]; then
    cp "$work/$name.png" "$artifacts/$name.png" 2>/dev/null
    case $name in
      windowed_*) off=$(differing "$work/$name.png" "$reference") ;;
      full1280_*) off=$(differing "$work/$name.png.masked.png" "$work/doubled_1280x1024.png") ;;
      *) off="still moving" ;;
    esac
    fail "$name: no menu like the offline renderer's within the time ($off pixels differ)"
  fi
done

# At 1920x1080 the smooth stage of the two paths may round apart by a step or two of 255.
a="$artifacts/full1920_texture.png"
b="$artifacts/full1920_surface.png"
off=$(differing -fuzz 1% "$a" "$b")
[ "$off" -lt 500 ] || fail "at 1920x1080 the two paths differ in $off pixels beyond 1%"
for bar in 240x1080+0+0 240x1080+1680+0; do
  level=$(convert "$b" -crop "$bar" +repage -format "%[fx:maxima]" info:)
  [ "$level" = 0 ] || fail "the surface path's bar $bar is not black ($level)"
done
# Against the frame doubled and smoothed by ImageMagick: the same picture, loosely (the
# pointer's corner left out).
pointer_1920="rectangle 1600,640 1700,760"
convert "$reference" -filter point -resize 200% -filter triangle -resize 1440x1080 -background black \
  -gravity center -extent 1920x1080 -fill black -draw "$pointer_1920" "$work/reference_1920x1080.png"
convert "$b" -fill black -draw "$pointer_1920" "$work/surface_1920x1080.png"
off=$(differing -fuzz 6% "$work/surface_1920x1080.png" "$work/reference_1920x1080.png")
[ "$off" -lt 20000 ] || fail "at 1920x1080 the surface path differs from the scaled frame in $off pixels beyond 6%"

for name in "${!DISPLAYS[@]}"; do
  DISPLAY=${DISPLAYS[$name]} xdotool key --window "${WINDOWS[$name]}" Escape
done
for name in "${!DISPLAYS[@]}"; do
  APP_PID=${APPS[$name]}
  wait_exit 30
  [ "$APP_CODE" -eq 0 ] || fail "$name: Escape ended the run with $APP_CODE"
done
echo "presentation tests passed"
