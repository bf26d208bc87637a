#!/usr/bin/env bash
# The real programs in broken environments: each ends by itself with its exit code and one
# line saying what failed and what to do.
#   no soundtrack, a folder in its place, corrupt soundtrack, a soundtrack too short to reach
#   the menu, no audio device, no display ("could not create window"): 1.
set -u
windowed=$1
fullscreen=$2
source_dir=$3
here=$(dirname "$0")
. "$here/common.bash"

work=$(mktemp -d)
trap 'rm -rf "$work"; e2e_cleanup' EXIT
# The soundtrack's name follows the content file's [files] stem.
soundtrack=$(bash "$source_dir/scripts/stem" "$source_dir/resources").mp3 || exit 1

run_in() {
  local dir=$1
  shift
  (cd "$dir" && timeout 30 env "$@") >"$work/out.txt" 2>&1
}

# The line on standard error that names the failure, among whatever else the libraries print.
said() {
  grep -qF -- "$1" "$work/out.txt"
}

mkdir "$work/empty"
mkdir "$work/corrupt"
mkdir -p "$work/folder/$soundtrack"
head -c 65536 /dev/urandom >"$work/corrupt/$soundtrack"
mkdir "$work/good"
cp "$source_dir/resources/$soundtrack" "$work/good/"
# A whole MP3 of 20 s, which ends before the menu.
mkdir "$work/short"
"$(dirname "$windowed")/tools/assetgen/assetgen" --test-track "$work/short/$soundtrack" 20 ||
  fail "assetgen could not make a test track"

for program in "$windowed" "$fullscreen"; do
  name=$(basename "$program")

  run_in "$work/empty" -u DISPLAY SDL_AUDIODRIVER=dummy "$program"
  code=$?
  [ "$code" -eq 1 ] || fail "$name without a soundtrack exited with $code"
  said "The soundtrack $soundtrack was not found in $(cd "$work/empty" && pwd -P). Start the program from the folder that holds it." ||
    fail "$name without a soundtrack did not say so: $(cat "$work/out.txt")"

  run_in "$work/folder" -u DISPLAY SDL_AUDIODRIVER=dummy "$program"
  code=$?
  [ "$code" -eq 1 ] || fail "$name with a folder for its soundtrack exited with $code"
  said "The soundtrack $soundtrack in $(cd "$work/folder" && pwd -P) is a folder." ||
    fail "$name with a folder for its soundtrack did not say so: $(cat "$work/out.txt")"

  run_in "$work/corrupt" -u DISPLAY SDL_AUDIODRIVER=dummy "$program"
  code=$?
  [ "$code" -eq 1 ] || fail "$name with a corrupt soundtrack exited with $code"
  said "The soundtrack $soundtrack in $(cd "$work/corrupt" && pwd -P) could not be decoded as MP3" ||
    fail "$name with a corrupt soundtrack did not say so: $(cat "$work/out.txt")"
  said "Copy the invitation's own $soundtrack there again, or, for music of your own," &&
    said "[soundtrack] of content/party.toml and run make assets" || fail "$name with a corrupt soundtrack gave no advice"

  run_in "$work/short" -u DISPLAY SDL_AUDIODRIVER=dummy "$program"
  code=$?
  [ "$code" -eq 1 ] || fail "$name with a soundtrack shorter than the intro exited with $code"
  said "The soundtrack $soundtrack in $(cd "$work/short" && pwd -P) is " && said "the show needs 41.7 s of music to reach its menu" ||
    fail "$name with a short soundtrack did not say so: $(cat "$work/out.txt")"

  run_in "$work/good" -u DISPLAY SDL_AUDIODRIVER=no_such_device "$program"
  code=$?
  [ "$code" -eq 1 ] || fail "$name without an audio device exited with $code"
  said "No audio device could be opened" || fail "$name without an audio device did not say so: $(cat "$work/out.txt")"
  said "To run without sound, start the program with SDL_AUDIODRIVER=dummy." ||
    fail "$name without an audio device did not say how to run without one"

  run_in "$work/good" -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy "$program"
  code=$?
  [ "$code" -eq 1 ] || fail "$name without a display exited with $code"
  grep -q "could not create window" "$work/out.txt" || fail "$name without a display did not say why"
done

echo "environment tests passed"
