#!/usr/bin/env bash
# The program's command line as a user meets it: shots, sizes, errors and exit statuses.
set -uo pipefail
binary=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_DATA_HOME=$work/data RUVO_CHAT_DATA=$work/chat
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

png_size() { python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]))' "$1"; }

out=$("$binary" --shot default --out "$work/a.png"); status=$?
[ $status -eq 0 ] || fail "--shot default exited $status"
[ "$out" = "chat: wrote shot to $work/a.png" ] || fail "unexpected output: $out"
[ "$(png_size "$work/a.png")" = "1280x800" ] || fail "default size is $(png_size "$work/a.png")"

"$binary" --shot people --out "$work/b.png" --size 800x600 --theme light > /dev/null || fail "--size shot failed"
[ "$(png_size "$work/b.png")" = "800x600" ] || fail "--size 800x600 gave $(png_size "$work/b.png")"

err=$("$binary" --shot default 2>&1 >/dev/null); status=$?
[ $status -ne 0 ] || fail "--shot without --out succeeded"
[ "$err" = "missing screenshot output" ] || fail "unexpected error: $err"

for args in "--bogus" "--size 800x600" "--shot x --out $work/c.png --size 0x0" "--theme neon" "stray"; do
    # shellcheck disable=SC2086
    "$binary" $args > /dev/null 2> "$work/err"; status=$?
    [ $status -eq 2 ] || fail "'$args' exited $status, not 2"
    grep -q '^usage:' "$work/err" || fail "'$args' printed no usage"
done

"$binary" --help | grep -q -- '--shots-dir' || fail "--help shows no usage"

err=$(env -u DISPLAY -u WAYLAND_DISPLAY "$binary" 2>&1); status=$?
[ $status -eq 1 ] || fail "window mode without a display exited $status"
[ "$err" = "no display: set DISPLAY or WAYLAND_DISPLAY, or render scenes with --shot" ] || fail "no-display message: $err"

"$binary" --shots-dir "$work/shots" --size 320x200 > "$work/all.log" || fail "--shots-dir failed"
[ "$(ls "$work/shots" | wc -l)" -eq 21 ] || fail "--shots-dir wrote $(ls "$work/shots" | wc -l) files, not 21"
[ "$(grep -c '^chat: wrote shot to ' "$work/all.log")" -eq 21 ] || fail "--shots-dir reported too few shots"
[ -f "$work/shots/floating-call-returned.png" ] || fail "last scene missing"

if [ $failures -eq 0 ]; then echo "command line: all checks passed"; fi
exit $failures
