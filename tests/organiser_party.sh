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

# The cues of a short show whose plates, flash and menu sit on a test track's hits.
append_short_timing() {
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
}

step "their own 85 s soundtrack, the menu at 20 s"
"$build/tools/assetgen/assetgen" --test-track "$tree/content/our_music.mp3" 85 || fail "no test track"
sed -i -e 's|^# file = "our_music.mp3"|file = "our_music.mp3"|' -e '/^\[timing\]/,$d' "$party"
append_short_timing
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

step "a second party in Swedish, with Polish and German letters: Göta Hack 2027 over New Year"
# Its own 80 s master as a WAV (the test track's ticks on every whole second), the cues put on
# hits --hits finds in it, its own pictures: the NOVA 7 menu as the background and a picture of
# another size as the menu, fitted by assetgen.
"$build/tools/assetgen/assetgen" --test-track "$work/tone.mp3" 80 && ffmpeg -loglevel error -y -i "$work/tone.mp3" \
  -c:a pcm_s16le "$tree/content/master.wav" || fail "no WAV master"
hits=$("$build/tools/assetgen/assetgen" --hits "$tree/content/master.wav" --until 21) || fail "--hits on the WAV master"
for second in 1 3 5 7 9 11 13 19 20; do
  echo "$hits" | grep -q "^ *$second\.00[0-9] s" || fail "no hit at $second s in the master: $hits"
done
cp "$work/none/t23500.png" "$tree/content/background.png" &&
  convert "$work/early/t23500.png" -resize '900x300!' "$tree/content/menu.jpg" || fail "no pictures"
cp "$tree/tests/reference/party.toml" "$party"
sed -i -e 's/^name = "ZURA 5"/name = "Göta Hack 2027"/' -e 's/^first_day = 2027-11-09/first_day = 2027-12-30/' \
  -e 's/^days = 3/days = 4/' -e 's/^hall = "Quillmoor Hall"/hall = "Kulturhuset Ängen"/' \
  -e 's/^town = "Tarnwick"/town = "Łódź"/' -e 's/for everyone who makes things/for all who make things/' \
  -e 's/3. Respect the hall: no nails, no tape on the painted walls, no cooking at the desks./3. Große Freude in Łódź: żółć, gęś, Straße, Kraków. No nails, no tape on the walls./' \
  -e 's|^# file = "our_music.mp3"|file = "master.wav"|' -e '/^\[timing\]/,$d' "$party"
append_short_timing
cat >> "$party" <<'TOML'

[nfo]
name = "Gota Hack 2027"
hall = "Kulturhuset Angen"
town = "Lodz"

[pictures]
background = "background.png"
menu = "menu.jpg"

[files]
stem = "gotahack27"

[language]
tag = "sv"

[words]
button_general = "ALLMÄN INFORMATION"
button_competitions = "TÄVLINGAR"
button_rules = "REGLER"
button_location = "PLATS & KONTAKT"
button_exit = "AVSLUTA"
clock_hint = "KLICKA HÄR FÖR KLOCKAN"
page_general = "{party.name} - ALLMÄN INFORMATION"
page_rules = "REGLER"
when = "När"
what_to_bring = "Att ta med"
days_left = "dagar kvar:"
long_date = "{weekday} {day} {month} {year}"
months = ["januari", "februari", "mars", "april", "maj", "juni", "juli", "augusti", "september",
  "oktober", "november", "december"]
weekdays = ["söndag", "måndag", "tisdag", "onsdag", "torsdag", "fredag", "lördag"]
tap_to_start = "Tryck för att börja"
play_again = "Spela igen"
to = "till"
show_ended = "Showen är slut. Tack för att du tittade."
nfo_goodbye = "Vi ses på {party.name}!"
TOML
(cd "$tree" && "$build/tools/assetgen/assetgen" --content content/party.toml resources) 2> "$work/second.log" \
  || { cat "$work/second.log"; fail "assetgen refused Göta Hack 2027"; }
grep -qF "background picture content/background.png: kept at 640x480" "$work/second.log" &&
  grep -qF "menu picture content/menu.jpg: scaled from 900x300 to 1440x480, 400 columns cut off" "$work/second.log" &&
  grep -qF "master.wav, a WAV file of 44100 Hz, stereo, 80.0 s, encoded as an MP3" "$work/second.log" \
  || fail "assetgen did not say what it made of the pictures and the master: $(cat "$work/second.log")"
grep -qF '"lordag"};' "$tree/resources/party_words.h" || fail "the clock does not spell lördag as lordag"
[ -s "$tree/resources/gotahack27.mp3" ] && [ -s "$tree/resources/gotahack27.nfo" ] &&
  [ ! -e "$tree/resources/zura5inv.mp3" ] && [ ! -e "$tree/resources/zura5inv.nfo" ] &&
  [ "$(bash "$tree/scripts/stem" "$tree/resources")" = gotahack27 ] ||
  fail "the soundtrack and the .nfo are not named gotahack27 alone: $(ls "$tree/resources")"
grep -q "partyFirstMonth = 12;" "$tree/resources/party_dates.h" || fail "party_dates.h does not hold December"
nfo=$(iconv -f CP437 -t UTF-8 "$tree/resources/gotahack27.nfo")
for said in "30 december 2027 till 2 januari 2028" "Vi ses på Gota Hack 2027!"; do
  grep -qF "$said" <<< "$nfo" || fail "the .nfo does not say \"$said\": $nfo"
done
(cd "$tree" && "$build/tools/assetgen/assetgen" --content content/party.toml --web-facts "$work/facts.json") &&
  grep -qF '"show_ended": "Showen är slut. Tack för att du tittade."' "$work/facts.json" &&
  grep -qF 'Göta Hack 2027, a four-day computer party, 30 december 2027 till 2 januari 2028' "$work/facts.json" \
  || fail "the web page's facts do not take the party's words: $(cat "$work/facts.json")"
cmake --build "$build" -j 2 >/dev/null || { echo "FAIL: the tree does not build for Göta Hack 2027"; exit 1; }
ctest --test-dir "$build" -j 2 -LE 'e2e|video|slow' --output-on-failure > "$work/suites2.log" 2>&1 \
  || { tail -n 60 "$work/suites2.log"; fail "the suites do not pass for Göta Hack 2027"; }
grep 'tests passed\|tests failed' "$work/suites2.log"
window_tests "Göta Hack 2027"
# Its menu at 22.5 s, the rules page (the third button) at 26 s, the clock (the top strip, after
# a click back to the menu) at 29 s, on 31 December 2027: pictures to look at, each differing
# from the one before.
printf '%s\n' '22900 move 300 202' '23000 down left' '23050 up left' '26500 down left' '26550 up left' \
  '27400 move 300 40' '27500 down left' '27550 up left' > "$work/second.script"
mkdir -p "$work/second"
(cd "$tree/resources" && "$build/invite_render" --until 29000 --snap 22500,26000,29000 --script "$work/second.script" \
  --wall-clock "$(date -u -d 2027-12-31T12:00:00 +%s)" --out "$work/second") > /dev/null 2>&1 || fail "invite_render Göta Hack 2027"
for shot in t22500 t26000 t29000; do [ -s "$work/second/$shot.png" ] || fail "no picture $shot"; done
cmp -s "$work/second/t22500.png" "$work/second/t26000.png" && fail "the rules page did not open"
cmp -s "$work/second/t26000.png" "$work/second/t29000.png" && fail "the clock did not open"

step "the names of what Göta Hack 2027's audience gets: gotahack27"
# A second of film from the soundtrack the programs look for, with the party's name as its title.
(cd "$tree/resources" && "$build/invite_render" --until 1000 --preset ultrafast --video "$work/film.mp4") >/dev/null 2>&1 \
  || fail "invite_render found no gotahack27.mp3 to film"
[ "$(ffprobe -v error -show_entries format_tags=title -of default=nw=1:nk=1 "$work/film.mp4")" = "Göta Hack 2027" ] \
  || fail "the film's title is not Göta Hack 2027"
# The archives, packed from stand-ins for the release builds.
mkdir -p "$work/fake/linux" "$work/fake/windows"
cp "$build/invite_windowed" "$build/invite_fullscreen" "$work/fake/linux/" &&
  touch "$work/fake/windows/invite_windowed.exe" "$work/fake/windows/invite_fullscreen.exe"
bash "$tree/scripts/dist" "$work/fake/linux" "$work/fake/windows" "$work/dist" >/dev/null || fail "scripts/dist"
[ "$(tar -tzf "$work/dist/gotahack27-linux-x86_64.tar.gz" | grep -c '^gotahack27/\(gotahack27\.mp3\|gotahack27\.nfo\|invite_windowed\)$')" = 3 ] &&
  python3 -c 'import sys, zipfile; n = zipfile.ZipFile(sys.argv[1]).namelist(); sys.exit("gotahack27/gotahack27.nfo" not in n)' \
  "$work/dist/gotahack27-windows-x86_64.zip" || fail "the archives are not named gotahack27: $(ls "$work/dist")"
tar -xOzf "$work/dist/gotahack27-linux-x86_64.tar.gz" gotahack27/README.txt | grep -q "^  cd gotahack27$" ||
  fail "the archive's README.txt does not say cd gotahack27"
# The single-file page and the films the Makefile makes.
planned=$(make -C "$tree" -n web video video-party BUILD="$build" WEB_BUILD="$work/web" 2>&1)
for name in "$work/web/gotahack27.html" "$build/gotahack27.mp4" "$build/gotahack27-party.mp4" "resources/gotahack27.mp3"; do
  echo "$planned" | grep -qF "$name" || fail "make does not name $name"
done

[ $status -eq 0 ] && echo "NOVA 7 and Göta Hack 2027 pass every suite, with their own music, pictures and words"
exit $status
