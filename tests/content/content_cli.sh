#!/usr/bin/env bash
# assetgen on the command line, on the reference party: a broken content file stops it with
# exit code 3 and a message naming the file, line and field, and leaves every file as it was;
# another party's file is taken and changes only the files its facts touch; a file that cannot
# be written leaves the folder as it was, with exit code 1; a soundtrack assetgen did not write
# is never replaced, and the organisers' own is checked and copied.
set -u
assetgen=$1
source=$2
reference=$3          # the reference party's resources, made by the build
party=$source/tests/reference/party.toml
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

# Checksums of every file in a folder, hidden ones included.
sums() { (cd "$1" && find . -type f | sort | xargs md5sum); }

"$assetgen" --help > "$work/help" 2>&1 || fail "--help ended with $?"
grep -q "^usage: assetgen" "$work/help" || fail "--help printed no usage: $(cat "$work/help")"

mkdir "$work/copy"
cp -a "$reference/." "$work/copy/"
before_copy=$(sums "$work/copy")
before_committed=$(sums "$source/resources")

# Each broken file: a sed edit of the committed file, and the start of the message expected.
check_broken() {
  local what=$1 edit=$2 expected=$3
  sed "$edit" "$party" > "$work/broken.toml"
  "$assetgen" --content "$work/broken.toml" --without-soundtrack "$work/copy" 2> "$work/err"
  local code=$?
  [ $code -eq 3 ] || fail "$what: exit code $code, not 3"
  grep -qF "$work/broken.toml:$expected" "$work/err" || fail "$what: no message '$expected' in: $(cat "$work/err")"
  grep -q "nothing was written" "$work/err" || fail "$what: no closing line"
  [ "$(sums "$work/copy")" = "$before_copy" ] || fail "$what: the folder changed"
}
line_of() { grep -n -m1 -F "$1" "$party" | cut -d: -f1; }

check_broken "misspelled field" 's/^hall = /hal = /' "$(line_of 'hall = '): venue.hal: is not a field of [venue]"
check_broken "wrong type" 's/^days = 3/days = "3"/' "$(line_of 'days = 3'): party.days: expected a whole number"
check_broken "impossible date" 's/^first_day = 2027-11-09/first_day = 2027-02-29/' \
  "$(line_of 'first_day = '): Error while parsing date"
check_broken "caption too wide" 's/"SEE YOU THERE!"/"SEE YOU THERE, AND BRING ALL YOUR FRIENDS TOO!"/' \
  "$(line_of '"SEE YOU THERE!"'): plates.captions[6]: the caption"

# A broken file aimed at the committed folder itself leaves it as it is.
sed 's/^town = /twon = /' "$party" > "$work/broken.toml"
"$assetgen" --content "$work/broken.toml" "$source/resources" 2>/dev/null
[ $? -eq 3 ] || fail "broken file on the committed folder: exit code not 3"
[ "$(sums "$source/resources")" = "$before_committed" ] || fail "the committed resources changed"

# A missing content file and a wrong command line.
"$assetgen" --content "$work/none.toml" --check 2> "$work/err"
[ $? -eq 3 ] && grep -qF "$work/none.toml: cannot be read" "$work/err" || fail "missing file: $(cat "$work/err")"
"$assetgen" --check --without-soundtrack 2>/dev/null
[ $? -eq 2 ] || fail "--without-soundtrack without a folder is not a usage error"

# Another party: accepted, and only the files its facts touch differ.
"$assetgen" --content "$source/tests/content/other_party.toml" --without-soundtrack "$work/copy" 2> "$work/err" \
  || fail "the other party's file was rejected: $(cat "$work/err")"
changed=$(cd "$work/copy" && for f in *; do cmp -s "$f" "$reference/$f" || echo "$f"; done | tr '\n' ' ')
[ "$changed" = "page1.pcx page2.pcx page4.pcx party_dates.h plate3.tga plate4.tga plate6.tga zura5inv.nfo " ] \
  || fail "the other party changed: $changed"
grep -q "partyFirstMonth = 3;" "$work/copy/party_dates.h" || fail "party_dates.h does not hold March"
grep -q "30 March to 2 April 2028" "$work/copy/zura5inv.nfo" || fail "the .nfo lacks the other dates"
[ -z "$(ls -A "$work/copy" | grep '^\.')" ] || fail "temporary files were left behind"

# A file that cannot be written: nothing is renamed into place, the temporaries are gone.
rm -rf "$work/copy" && mkdir "$work/copy" && cp -a "$reference/." "$work/copy/"
mkdir "$work/copy/.plate4.tga.new"
"$assetgen" --content "$source/tests/content/other_party.toml" --without-soundtrack "$work/copy" 2> "$work/err"
[ $? -eq 1 ] || fail "an unwritable file did not give exit code 1"
rmdir "$work/copy/.plate4.tga.new"
[ "$(sums "$work/copy")" = "$before_copy" ] || fail "a failed write changed the folder"

# --check says so when all is well; a warning does not stop assetgen.
out=$("$assetgen" --content "$party" --check 2>&1)
[ $? -eq 0 ] && [ "$out" = "$party: ok" ] || fail "--check on a good file: $out"
sed '/^when = \[/,/^\]/c when = []' "$party" > "$work/warn.toml"
"$assetgen" --content "$work/warn.toml" --check > "$work/out" 2> "$work/err" || fail "a warning stopped assetgen"
grep -qF "$work/warn.toml:$(grep -n -m1 '^when = \[\]' "$work/warn.toml" | cut -d: -f1): warning: general.when: is empty" \
  "$work/err" || fail "no warning for an empty section: $(cat "$work/err")"

# Junk bytes: the messages hold no control character, whatever the file holds.
head -c 2000 /dev/urandom | tr -d '\n' > "$work/junk.toml"
printf '\033]0;x\007[party]\nname = "\033[2J"\n' >> "$work/junk.toml"
"$assetgen" --content "$work/junk.toml" --check 2> "$work/err"
[ $? -eq 3 ] || fail "junk: exit code not 3"
! LC_ALL=C grep -q '[[:cntrl:]]' <(tr -d '\n' < "$work/err") || fail "junk: control characters reached the terminal"

# The organisers' own soundtrack: an 85 s track with the menu at 20 s is checked and copied,
# with a record of it; a file put in its place by hand stops the next run.
"$assetgen" --test-track "$work/long.mp3" 85 && "$assetgen" --test-track "$work/twelve.mp3" 12 || fail "no test tracks"
own_music() {  # FILE: the reference file playing FILE, with cues that leave a minute of 85 s
  sed -e "s|^# file = \"our_music.mp3\"|file = \"$1\"|" -e '/^\[timing\]/,$d' "$party"
  printf '[timing]\nplates = [[1000, 3000], [3000, 5000], [5000, 7000], [7000, 9000], [9000, 11000],\n'
  printf '  [11000, 13000], [13000, 19000]]\nglobe = 4000\nflash = 10000\nfade = 10100\nfade_end = 15000\n'
  printf 'wire_end = 14000\nmenu = 20000\n'
}
own_music "$work/long.mp3" > "$work/own.toml"
rm -rf "$work/copy" && mkdir "$work/copy" && cp -a "$reference/." "$work/copy/"
"$assetgen" --content "$work/own.toml" "$work/copy" 2> "$work/err" || fail "the own soundtrack was refused: $(cat "$work/err")"
cmp -s "$work/long.mp3" "$work/copy/zura5inv.mp3" || fail "the own soundtrack was not copied"
grep -qF "source file $work/long.mp3" "$work/copy/soundtrack_record.txt" || fail "no record of the own soundtrack"
grep -q "bakedMenu = 20000;" "$work/copy/show_timing.h" || fail "show_timing.h lacks the menu at 20000"
"$assetgen" --content "$work/own.toml" "$work/copy" 2> "$work/err" || fail "the recorded soundtrack was not replaced"
cp "$work/twelve.mp3" "$work/copy/zura5inv.mp3"
before=$(sums "$work/copy")
"$assetgen" --content "$work/own.toml" "$work/copy" 2> "$work/err"
[ $? -eq 1 ] || fail "a soundtrack put there by hand did not stop assetgen"
grep -qF "zura5inv.mp3 is not the soundtrack assetgen wrote there" "$work/err" || fail "no reason given: $(cat "$work/err")"
[ "$(sums "$work/copy")" = "$before" ] || fail "a soundtrack put there by hand was touched"
# Another stem: the files take its name; the earlier .nfo goes, the soundtrack put there by hand
# stays; then back, and the recorded soundtrack of the other stem goes too.
{ cat "$work/own.toml"; printf '[files]\nstem = "gotahack27"\n'; } > "$work/stem.toml"
"$assetgen" --content "$work/stem.toml" "$work/copy" 2> "$work/err" || fail "another stem was refused: $(cat "$work/err")"
cmp -s "$work/long.mp3" "$work/copy/gotahack27.mp3" && [ -f "$work/copy/gotahack27.nfo" ] &&
  grep -q 'fileStem = "gotahack27";' "$work/copy/party_files.h" || fail "the files do not take the stem gotahack27"
[ ! -e "$work/copy/zura5inv.nfo" ] && cmp -s "$work/twelve.mp3" "$work/copy/zura5inv.mp3" \
  || fail "the earlier stem's .nfo stayed or the soundtrack put there by hand went: $(ls "$work/copy")"
rm "$work/copy/zura5inv.mp3"
"$assetgen" --content "$work/own.toml" "$work/copy" 2> "$work/err" || fail "the stem back: $(cat "$work/err")"
[ -z "$(ls "$work/copy" | grep gotahack27)" ] || fail "the stem gotahack27's files stayed: $(ls "$work/copy")"
sed "s|^# file = \"our_music.mp3\"|file = \"$work/twelve.mp3\"|" "$party" > "$work/short.toml"
"$assetgen" --content "$work/short.toml" --check 2> "$work/err"
[ $? -eq 3 ] && grep -qF "timing.menu: the menu comes at 41.701 s" "$work/err" \
  || fail "a 12 s track with the menu at 41.7 s: $(cat "$work/err")"

# --hits on the start of a track only; a file that is not there is named as such.
hits=$("$assetgen" --hits "$work/long.mp3" --until 5) || fail "--hits --until failed"
echo "$hits" | awk '/ s /{ n++; if ($1 > 5) late = 1 } END { exit !(n >= 3 && !late) }' \
  || fail "--hits --until 5 does not list the ticks before 5 s only: $hits"
echo "$hits" | head -1 | grep -qF "its first 5.0 s" || fail "--hits --until does not say so: $hits"
"$assetgen" --hits "$work/none.wav" 2> "$work/err"
[ $? -eq 1 ] && grep -qF "there is no file $work/none.wav" "$work/err" || fail "--hits on no file: $(cat "$work/err")"

[ $status -eq 0 ] && echo "assetgen's checks and writes behave"
exit $status
