#!/usr/bin/env bash
# The real program in a real window under Xvfb: xdotool clicks, types and scrolls, the events
# reach the root widget (the framework logs each delivered event), and SIGTERM closes it cleanly.
set -uo pipefail
binary=$1
if [ -z "${CHAT_E2E_INSIDE_XVFB:-}" ]; then
    CHAT_E2E_INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x900x24" "$0" "$@"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_DATA_HOME=$work/data RUVO_CHAT_DATA=$work/chat RUVO_UI_EVENT_LOG=$work/events.log
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
# The display's GL driver is loaded and unloaded behind our back and leaves allocations that a
# leak checker cannot attribute; leaks are checked by the unit tests instead.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"

"$binary" > "$work/out.log" 2>&1 &
pid=$!
wid=$(timeout 30 xdotool search --sync --onlyvisible --name 'dev.ruvo.Chat' | head -1)
if [ -z "$wid" ]; then
    echo "FAIL: no window appeared"; cat "$work/out.log"; kill $pid 2>/dev/null; exit 1
fi
xdotool windowfocus --sync "$wid"
sleep 0.3
xdotool mousemove --window "$wid" 200 150 click 1
xdotool mousemove --window "$wid" 300 200 click 3
xdotool click 5
xdotool type --delay 30 'hi'
xdotool key Return ctrl+a shift+Tab
sleep 0.5

# Idle: nothing moves, so the loop must sleep on events instead of drawing.
cpu_ticks() { awk '{print $14 + $15}' /proc/$pid/stat; }
before=$(cpu_ticks)
sleep 2
idle_ticks=$(( $(cpu_ticks) - before ))

xdotool windowsize "$wid" 900 700
sleep 0.5
kill -TERM $pid
wait $pid
status=$?

failures=0
expect() {
    grep -qF -- "$1" "$work/events.log" || { echo "FAIL: no event line containing: $1"; failures=$((failures + 1)); }
}
expect 'PointerDown x=200 y=150 button=primary'
expect 'PointerDown x=300 y=200 button=secondary'
expect 'Wheel dx=0 dy=-1 unit=lines'
expect 'TextCommit text="h"'
expect 'TextCommit text="i"'
expect 'KeyDown key="Enter" mods=none'
expect 'KeyDown key="a" mods=control'
expect 'KeyDown key="Tab" mods=shift'
[ "$(tail -1 "$work/events.log")" = "closed" ] || { echo "FAIL: the window did not close cleanly"; failures=$((failures + 1)); }
expect 'layout 1280x800 scale=1'
expect 'layout 900x700 scale=1'
[ "$idle_ticks" -le 10 ] || { echo "FAIL: the idle window used $idle_ticks clock ticks in 2 s"; failures=$((failures + 1)); }
[ -f "$XDG_DATA_HOME/ruvo/dev.ruvo.Chat/document.sqlite" ] || { echo "FAIL: no document store was opened"; failures=$((failures + 1)); }
[ $status -eq 0 ] || { echo "FAIL: exit status $status"; failures=$((failures + 1)); }
if [ $failures -ne 0 ]; then
    echo "--- events"; cat "$work/events.log"; echo "--- output"; cat "$work/out.log"
else
    echo "window events: all checks passed"
fi
exit $failures
