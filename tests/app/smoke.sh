#!/usr/bin/env bash
# Starts the real vx in a temporary copy of its folder under the headless
# desktop, waits for its window and its tray icon, closes the window the way a
# user does (through the window manager) and expects a clean exit.
set -euo pipefail
vx=$1
data=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$data"' EXIT
cp "$vx" "$data/"
cp -r "$(dirname "$vx")/sounds" "$(dirname "$vx")/defaultvx.html" "$data/"
cd "$data"

fail() { echo "smoke: $*" >&2; cat "$data/vx.log" >&2 || true; exit 1; }
wait_until() { # tenths-of-a-second command...
  local tries=$1; shift
  until "$@" >/dev/null 2>&1; do
    (( tries-- > 0 )) || return 1
    sleep 0.1
  done
}

unset QT_QPA_PLATFORM # the real desktop, not the offscreen stand-in
./vx >"$data/vx.log" 2>&1 &
pid=$!

# The window manager's own list: the tray icon's embedded window carries the
# same title but is not a managed window.
main_window() { wmctrl -lp | awk -v pid="$pid" '$3 == pid && /  Vornix$/ { print $1; found = 1 } END { exit !found }'; }
tray_icon() { # an icon window of ours embedded in trayer's panel
  local panel children # the icon sits inside the tray's embedding socket
  panel=$(xdotool search --classname '^panel$' | head -n 1)
  children=$(xwininfo -id "$panel" -tree)
  [[ $children == *'"Vornix"'* ]]
}

wait_until 300 main_window || fail "the main window did not appear"
wait_until 100 tray_icon || { xwininfo -root -tree >&2; fail "no tray icon appeared in the tray"; }
for folder in xml xslt html; do
  [[ -f $folder/null.txt && ! -s $folder/null.txt ]] || fail "$folder/null.txt is missing or not empty"
done

expect_clean_exit() { # how it was asked to end
  for _ in $(seq 150); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "vx did not exit after $1"
  wait "$pid" && status=0 || status=$?
  (( status == 0 )) || fail "vx exited with status $status after $1"
}

window=$(main_window | head -n 1)
wmctrl -i -c "$window"
expect_clean_exit "its window was closed"

# Logging out sends SIGTERM: the program closes as if "Выход" had been chosen.
./vx >"$data/vx.log" 2>&1 &
pid=$!
wait_until 300 main_window || fail "the main window did not appear the second time"
kill -TERM "$pid"
expect_clean_exit "SIGTERM"
echo "smoke: window and tray icon shown, closed cleanly by the window manager and by SIGTERM"
