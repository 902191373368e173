#!/usr/bin/env bash
# Starts the real vx in a temporary copy of its folder under the headless
# desktop, waits for its window and its tray icon, and expects a clean exit
# when the window manager closes the window and when logging out sends SIGTERM.
set -euo pipefail
vx=$1
data=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$data"' EXIT
cp -r "$vx" "$(dirname "$vx")/sounds" "$(dirname "$vx")/defaultvx.html" "$data/"
cd "$data"
unset QT_QPA_PLATFORM # the real desktop, not the offscreen stand-in

fail() { echo "smoke: $*" >&2; cat "$data/vx.log" >&2 || true; exit 1; }
wait_until() { # tenths-of-a-second command...
  local tries=$1; shift
  until "$@" >/dev/null 2>&1; do
    (( tries-- > 0 )) || return 1
    sleep 0.1
  done
}
# The window manager's own list: the tray icon's embedded window carries the
# same title but is not a managed window.
main_window() { wmctrl -lp | awk -v pid="$pid" '$3 == pid && /  Vornix$/ { print $1; found = 1 } END { exit !found }'; }
# An icon window of ours inside the embedding socket of trayer's panel.
tray_icon() { [[ $(xwininfo -id "$(xdotool search --classname '^panel$' | head -n 1)" -tree) == *'"Vornix"'* ]]; }
start() {
  ./vx >"$data/vx.log" 2>&1 & pid=$!
  wait_until 300 main_window || fail "the main window did not appear"
}
expect_clean_exit() { # how it was asked to end
  wait_until 150 eval '! kill -0 "$pid"' || fail "vx did not exit after $1"
  wait "$pid" && status=0 || status=$?
  (( status == 0 )) || fail "vx exited with status $status after $1"
}

start
wait_until 100 tray_icon || { xwininfo -root -tree >&2; fail "no tray icon appeared in the tray"; }
for folder in xml xslt html; do
  [[ -f $folder/null.txt && ! -s $folder/null.txt ]] || fail "$folder/null.txt is missing or not empty"
done
wmctrl -i -c "$(main_window | head -n 1)"
expect_clean_exit "its window was closed"
start
kill -TERM "$pid"
expect_clean_exit "SIGTERM"
echo "smoke: window and tray icon shown, closed cleanly by the window manager and by SIGTERM"
