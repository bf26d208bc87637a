#!/usr/bin/env bash
# assetgen on the command line: a broken content file stops it with exit code 3 and a message
# naming the file, line and field, and leaves every file as it was; another party's file is
# taken and changes only the files its facts touch; a file that cannot be written leaves the
# folder as it was, with exit code 1.
set -u
assetgen=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

# Checksums of every file in a folder, hidden ones included.
sums() { (cd "$1" && find . -type f | sort | xargs md5sum); }

mkdir "$work/copy"
cp -a "$source/resources/." "$work/copy/"
before_copy=$(sums "$work/copy")
before_committed=$(sums "$source/resources")

# Each broken file: a sed edit of the committed file, and the start of the message expected.
check_broken() {
  local what=$1 edit=$2 expected=$3
  sed "$edit" "$source/content/party.toml" > "$work/broken.toml"
  "$assetgen" --content "$work/broken.toml" --without-soundtrack "$work/copy" 2> "$work/err"
  local code=$?
  [ $code -eq 3 ] || fail "$what: exit code $code, not 3"
  grep -qF "$work/broken.toml:$expected" "$work/err" || fail "$what: no message '$expected' in: $(cat "$work/err")"
  grep -q "nothing was written" "$work/err" || fail "$what: no closing line"
  [ "$(sums "$work/copy")" = "$before_copy" ] || fail "$what: the folder changed"
}
line_of() { grep -n -m1 -F "$1" "$source/content/party.toml" | cut -d: -f1; }

check_broken "misspelled field" 's/^hall = /hal = /' "$(line_of 'hall = '): venue.hal: is not a field of [venue]"
check_broken "wrong type" 's/^days = 3/days = "3"/' "$(line_of 'days = 3'): party.days: expected a whole number"
check_broken "impossible date" 's/^first_day = 2027-11-09/first_day = 2027-02-29/' \
  "$(line_of 'first_day = '): Error while parsing date"
check_broken "caption too wide" 's/"SEE YOU THERE!"/"SEE YOU THERE, AND BRING ALL YOUR FRIENDS TOO!"/' \
  "$(line_of '"SEE YOU THERE!"'): plates.captions[6]: the caption"

# A broken file aimed at the committed folder itself leaves it as it is.
sed 's/^town = /twon = /' "$source/content/party.toml" > "$work/broken.toml"
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
changed=$(cd "$work/copy" && for f in *; do cmp -s "$f" "$source/resources/$f" || echo "$f"; done | tr '\n' ' ')
[ "$changed" = "page1.pcx page2.pcx page4.pcx party_dates.h plate3.tga plate4.tga plate6.tga zura5inv.nfo " ] \
  || fail "the other party changed: $changed"
grep -q "partyFirstMonth = 3;" "$work/copy/party_dates.h" || fail "party_dates.h does not hold March"
grep -q "30 March to 2 April 2028" "$work/copy/zura5inv.nfo" || fail "the .nfo lacks the other dates"
[ -z "$(ls -A "$work/copy" | grep '^\.')" ] || fail "temporary files were left behind"

# A file that cannot be written: nothing is renamed into place, the temporaries are gone.
rm -rf "$work/copy" && mkdir "$work/copy" && cp -a "$source/resources/." "$work/copy/"
mkdir "$work/copy/.plate4.tga.new"
"$assetgen" --content "$source/tests/content/other_party.toml" --without-soundtrack "$work/copy" 2> "$work/err"
[ $? -eq 1 ] || fail "an unwritable file did not give exit code 1"
rmdir "$work/copy/.plate4.tga.new"
[ "$(sums "$work/copy")" = "$before_copy" ] || fail "a failed write changed the folder"

[ $status -eq 0 ] && echo "assetgen's checks and writes behave"
exit $status
