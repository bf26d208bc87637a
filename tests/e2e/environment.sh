#!/usr/bin/env bash
# The real programs in broken environments: each ends by itself with its exit code.
#   corrupt soundtrack: 1; no audio device: 1; no display: "could not create window", 0.
set -u
windowed=$1
fullscreen=$2
source_dir=$3
here=$(dirname "$0")
. "$here/common.bash"

work=$(mktemp -d)
trap 'rm -rf "$work"; e2e_cleanup' EXIT

run_in() {
  local dir=$1
  shift
  (cd "$dir" && timeout 30 env "$@") >"$work/out.txt" 2>&1
}

mkdir "$work/corrupt"
head -c 65536 /dev/urandom >"$work/corrupt/zura5inv.mp3"
mkdir "$work/good"
cp "$source_dir/resources/zura5inv.mp3" "$work/good/"

for program in "$windowed" "$fullscreen"; do
  name=$(basename "$program")

  run_in "$work/corrupt" -u DISPLAY SDL_AUDIODRIVER=dummy "$program"
  code=$?
  [ "$code" -eq 1 ] || fail "$name with a corrupt soundtrack exited with $code"

  run_in "$work/good" -u DISPLAY SDL_AUDIODRIVER=no_such_device "$program"
  code=$?
  [ "$code" -eq 1 ] || fail "$name without an audio device exited with $code"

  run_in "$work/good" -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy "$program"
  code=$?
  [ "$code" -eq 0 ] || fail "$name without a display exited with $code"
  grep -q "could not create window" "$work/out.txt" || fail "$name without a display did not say why"
done

echo "environment tests passed"
