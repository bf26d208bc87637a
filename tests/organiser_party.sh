#!/usr/bin/env bash
# An organiser makes the invitation their own: in a copy of the tree (the working folder's
# files, build folders left out), the content file gets another party's name, dates, hall
# and one word of a rule; assetgen writes the resources; the
# unit, whole-show and content suites all pass without a test touched. Then the party brings
# its own 85 s soundtrack with the menu at 20 s: the programs built after `make assets` have
# the menu up at 21 s.
#   organiser_party.sh SOURCE_DIR [WORK_DIR]
set -u
source=$1
work=${2:-$(mktemp -d)}
keep=${2:+yes}
[ -n "$keep" ] || trap 'rm -rf "$work"' EXIT
tree=$work/tree
build=$work/build
status=0
fail() { echo "FAIL: $*"; status=1; }
step() { echo "--- $*"; }

step "copying the tree"
rm -rf "$tree" && mkdir -p "$tree"
# The files git knows and the new ones it would take, as they are now; no build folders.
(cd "$source" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do [ -f "$f" ] && printf '%s\0' "$f"; done | xargs -0 cp --parents -t "$tree") ||
  { echo "FAIL: cannot copy the tree"; exit 1; }

step "another party: NOVA 7, four days from 30 March 2027, another hall, one rule word"
# From the reference party, whatever the organisers' own file holds today.
party=$tree/content/party.toml
cp "$tree/tests/reference/party.toml" "$party"
sed -i -e 's/^name = "ZURA 5"/name = "NOVA 7"/' -e 's/^first_day = 2027-11-09/first_day = 2027-03-30/' \
  -e 's/^days = 3/days = 4/' -e 's/^hall = "Quillmoor Hall"/hall = "Brackenfold Mill"/' \
  -e 's/Have fun, make something/Have fun, build something/' "$party"
for fact in 'name = "NOVA 7"' 'first_day = 2027-03-30' 'days = 4' 'hall = "Brackenfold Mill"' 'build something'; do
  grep -qF "$fact" "$party" || fail "the edit did not take: $fact"
done

step "configuring and building (this takes minutes)"
cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null || { echo "FAIL: cmake"; exit 1; }
cmake --build "$build" -j 2 --target assetgen >/dev/null || { echo "FAIL: assetgen does not build"; exit 1; }
(cd "$tree" && "$build/tools/assetgen/assetgen" --content content/party.toml --without-soundtrack resources) \
  || fail "assetgen refused the other party"
grep -q 'partyName = "NOVA 7"' "$tree/resources/party_name.h" || fail "party_name.h does not name NOVA 7"
grep -q "partyFirstMonth = 3;" "$tree/resources/party_dates.h" || fail "party_dates.h does not hold March"
cmake --build "$build" -j 2 >/dev/null || { echo "FAIL: the tree does not build"; exit 1; }

step "the suites"
ctest --test-dir "$build" -j 2 -LE 'e2e|video|slow' --output-on-failure > "$work/suites.log" 2>&1 \
  || { tail -n 60 "$work/suites.log"; fail "the suites do not pass for NOVA 7"; }
grep 'tests passed\|tests failed' "$work/suites.log"

# window_tests NAME: the window tests of the tree, which find the window by its process and
# read both its titles, on the programs built for the party.
window_tests() {
  step "the window tests for $1"
  bash "$tree/tests/e2e/window.sh" "$build/invite_windowed" "$build/invite_fullscreen" "$tree" > "$work/window.log" 2>&1 \
    || { tail -n 30 "$work/window.log"; fail "the window tests do not pass for $1"; }
}
window_tests "NOVA 7"

step "their own 85 s soundtrack, the menu at 20 s"
"$build/tools/assetgen/assetgen" --test-track "$tree/content/our_music.mp3" 85 || fail "no test track"
sed -i -e 's|^# file = "our_music.mp3"|file = "our_music.mp3"|' -e '/^\[timing\]/,$d' "$party"
cat >> "$party" <<'TOML'
[timing]
plates = [[1000, 3000], [3000, 5000], [5000, 7000], [7000, 9000], [9000, 11000], [11000, 13000],
  [13000, 19000]]
globe = 4000
flash = 10000
fade = 10100
fade_end = 15000
wire_end = 14000
menu = 20000
TOML
(cd "$tree" && "$build/tools/assetgen/assetgen" --content content/party.toml resources) || fail "make assets refused it"
cmp -s "$tree/content/our_music.mp3" "$tree/resources/zura5inv.mp3" || fail "the soundtrack was not copied"
cmake --build "$build" -j 2 --target invite_render >/dev/null || fail "invite_render does not build"
# A click on the first button at 21 s opens page 1: 2.5 s later it looks as it does 2.5 s after
# a click long after the crossfade; without the click the frame shows the menu.
render() {  # NAME CLICK_MS SNAP_MS
  mkdir -p "$work/$1"
  : > "$work/$1.script"
  [ "$2" -gt 0 ] && printf '%s move 300 125\n%s down left\n%s up left\n' "$(($2 - 100))" "$2" "$(($2 + 50))" > "$work/$1.script"
  (cd "$tree/resources" && "$build/invite_render" --until "$3" --snap "$3" --script "$work/$1.script" \
    --out "$work/$1") >/dev/null 2>&1 || fail "invite_render $1"
}
render early 21000 23500
render late 30000 32500
render none 0 23500
cmp -s "$work/early/t23500.png" "$work/late/t32500.png" || fail "a click at 21 s did not open page 1"
cmp -s "$work/none/t23500.png" "$work/early/t23500.png" && fail "the frame at 23.5 s is the same without a click"

[ $status -eq 0 ] && echo "NOVA 7 passes every suite, and its own music brings the menu at 20 s"
exit $status
