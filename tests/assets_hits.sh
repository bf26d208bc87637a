#!/usr/bin/env bash
# `assetgen --hits` on the built-in soundtrack, made afresh from the reference party: the
# crash and boom where the globe enters, at the flash and where the menu begins are among the
# strongest onsets it lists, each within 50 ms.
set -u
assetgen=$1
reference=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$assetgen" --content "$reference" "$out" >/dev/null 2>&1 || { echo "FAIL: assetgen could not write $out"; exit 1; }
"$assetgen" --hits "$out/zura5inv.mp3" > "$out/hits.txt" || { echo "FAIL: --hits failed"; exit 1; }
cat "$out/hits.txt"
status=0
for cue in 14.650 27.550 41.700; do
  awk -v cue="$cue" '$2 == "s" { d = $1 - cue; if (d < 0) d = -d; if (d <= 0.050) found = 1 } END { exit !found }' \
    "$out/hits.txt" || { echo "FAIL: no hit within 50 ms of $cue s"; status=1; }
done
[ $status -eq 0 ] && echo "the built-in track's three hits are found"
exit $status
