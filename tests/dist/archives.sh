#!/usr/bin/env bash
# The release archives as someone who downloads them gets them: the expected files and
# nothing else, names without spaces, the same bytes when packed again, the .nfo within 80
# columns; the Linux programs need only the C library (libc, libm and the loader, glibc 2.35
# at most) and, unpacked in an empty folder, play to the menu and end with 0 on Escape; the
# Windows programs need only Windows' own DLLs.
#   archives.sh DIST_DIR LINUX_RELEASE_BUILD WINDOWS_BUILD NATIVE_RENDER SOURCE_DIR
set -u
dist=$(realpath "$1")
linux_build=$2
windows_build=$3
native_render=$(realpath "$4")
source_dir=$(realpath "$5")
. "$source_dir/tests/e2e/common.bash"

# Sleeps until the given number of seconds after $started.
sleep_until() {
  sleep "$(awk -v s="$started" -v n="$(date +%s.%N)" -v t="$1" 'BEGIN { d = s + t - n; print (d > 0 ? d : 0) }')"
}

# Every name follows the content file's [files] stem.
stem=$(bash "$source_dir/scripts/stem" "$source_dir/resources") || exit 1
linux_archive="$dist/$stem-linux-x86_64.tar.gz"
windows_archive="$dist/$stem-windows-x86_64.zip"
work=$(mktemp -d)
trap 'e2e_cleanup; rm -rf "$work"' EXIT

[ -f "$linux_archive" ] || fail "no $linux_archive"
[ -f "$windows_archive" ] || fail "no $windows_archive"

# The entries, in order.
linux_list=$(tar -tzf "$linux_archive")
expected_linux="$stem/
$stem/README.txt
$stem/invite_fullscreen
$stem/invite_windowed
$stem/$stem.mp3
$stem/$stem.nfo"
[ "$linux_list" = "$expected_linux" ] || fail "the Linux archive holds: $linux_list"
windows_list=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$windows_archive")
expected_windows="$stem/invite_fullscreen.exe
$stem/invite_windowed.exe
$stem/$stem.mp3
$stem/$stem.nfo"
[ "$windows_list" = "$expected_windows" ] || fail "the Windows archive holds: $windows_list"

# Packed again, byte for byte the same.
(cd "$source_dir" && bash scripts/dist "$linux_build" "$windows_build" "$work/again") >/dev/null ||
  fail "packing again failed"
cmp -s "$linux_archive" "$work/again/$stem-linux-x86_64.tar.gz" || fail "the Linux archive is not reproducible"
cmp -s "$windows_archive" "$work/again/$stem-windows-x86_64.zip" || fail "the Windows archive is not reproducible"

mkdir "$work/linux" "$work/windows"
tar -xzf "$linux_archive" -C "$work/linux"
python3 -m zipfile -e "$windows_archive" "$work/windows"
linux="$work/linux/$stem"
windows="$work/windows/$stem"

# The .nfo is in code page 437, a byte a column, so the widths are counted in bytes.
for nfo in "$linux/$stem.nfo" "$windows/$stem.nfo"; do
  wide=$(LC_ALL=C awk '{ sub(/\r$/, "") } length($0) > 80 { n++ } END { print n + 0 }' "$nfo")
  [ "$wide" -eq 0 ] || fail "$nfo has $wide lines wider than 80 columns"
done
cmp -s "$linux/$stem.mp3" "$source_dir/resources/$stem.mp3" || fail "the Linux archive's soundtrack differs"
cmp -s "$windows/$stem.mp3" "$source_dir/resources/$stem.mp3" || fail "the Windows archive's soundtrack differs"

# The Linux programs: only the C library, nothing newer than glibc 2.35, under 5 MB.
for program in "$linux/invite_windowed" "$linux/invite_fullscreen"; do
  name=$(basename "$program")
  [ -x "$program" ] || fail "$name is not executable"
  size=$(stat -c %s "$program")
  [ "$size" -lt $((5 * 1024 * 1024)) ] || fail "$name is $size bytes"
  needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
  for library in $needed; do
    case "$library" in
      libc.so.6 | libm.so.6 | ld-linux-x86-64.so.2) ;;
      *) fail "$name needs $library" ;;
    esac
  done
  interpreter=$(readelf -l "$program" | sed -n 's/.*interpreter: \(.*\)\]/\1/p')
  [ "$interpreter" = "/lib64/ld-linux-x86-64.so.2" ] || fail "$name's loader is $interpreter"
  newest=$(objdump -T "$program" | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' | sort -V | tail -1)
  [ "$(printf '%s\n2.35\n' "$newest" | sort -V | tail -1)" = "2.35" ] ||
    fail "$name needs glibc $newest"
  echo "$name: $size bytes, needs $needed, glibc $newest"
done

# The Windows programs: only Windows' own DLLs, under 6 MB.
system_dlls=" kernel32.dll user32.dll gdi32.dll winmm.dll imm32.dll ole32.dll oleaut32.dll "
system_dlls+="version.dll setupapi.dll shell32.dll advapi32.dll msvcrt.dll "
for program in "$windows/invite_windowed.exe" "$windows/invite_fullscreen.exe"; do
  name=$(basename "$program")
  size=$(stat -c %s "$program")
  [ "$size" -lt $((6 * 1024 * 1024)) ] || fail "$name is $size bytes"
  dlls=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z')
  [ -n "$dlls" ] || fail "$name imports no DLL: not a Windows program?"
  for dll in $dlls; do
    case "$system_dlls" in
      *" $dll "*) ;;
      *) fail "$name needs $dll, which Windows does not have" ;;
    esac
  done
  echo "$name: $size bytes, needs $(echo $dlls)"
done

# Unpacked in an empty folder, the Linux program plays to the menu and ends on Escape. Past
# the crossfade the menu holds still and equals the native renderer's frame of it; on a busy
# machine it comes late, so the wait is long.
start_xvfb
shots="$linux_build/screenshots"
mkdir -p "$shots"
"$native_render" --fps 20 --snap menu+8299 --until menu+8299 --script "$source_dir/tests/windows/park.script" --out "$work/native" >/dev/null || fail "the native renderer failed"
(cd "$linux" && SDL_AUDIODRIVER=dummy exec ./invite_windowed) >>"$E2E_LOG" 2>&1 &
APP_PID=$!
E2E_PIDS+=("$APP_PID")
started=$(date +%s.%N)
wait_window 60
xdotool mousemove --window "$WINDOW_ID" 620 300  # on no button, below the top strip
sleep_until 5
import -window "$WINDOW_ID" "$shots/linux_05s.png" 2>/dev/null || fail "no screenshot"
off=""
for _ in $(seq 180); do
  kill -0 "$APP_PID" 2>/dev/null || fail "the Linux program ended during the show"
  import -window "$WINDOW_ID" "$shots/linux_menu.png" 2>/dev/null || fail "no screenshot"
  off=$(compare -metric AE "$shots/linux_menu.png" "$work"/native/t*.png null: 2>&1 | awk '{ printf "%d", $1 }')
  [ "$off" -lt 100 ] && break
  sleep 1
done
[ "$off" -lt 100 ] || fail "no menu like the native one within 180 s ($off pixels differ)"
xdotool key --window "$WINDOW_ID" Escape
wait_exit 30
[ "$APP_CODE" -eq 0 ] || fail "Escape ended the Linux program with $APP_CODE"

echo "archive tests passed"
