#!/usr/bin/env bash
# Runs a command on the current X display with a small window manager beside it
# (JUCE windows need one on a bare Xvfb display). Used inside xvfb-run.
# Returns the command's exit status once the window manager is gone too.
set -uo pipefail

# A home and configuration of its own: with its defaults (and on its first run
# in a home, as on a fresh machine) the window manager tries to set a
# wallpaper, fails on a bare display and opens a message box about it a moment
# later, which takes the keyboard from whatever window had it.
wm_config=$(mktemp -d)
mkdir -p "$wm_config/.fluxbox"
printf 'background: none\n' > "$wm_config/.fluxbox/overlay"
printf 'session.styleOverlay: %s/.fluxbox/overlay\nsession.screen0.rootCommand:\n' "$wm_config" \
  > "$wm_config/.fluxbox/init"

HOME="$wm_config" fluxbox -rc "$wm_config/.fluxbox/init" > /dev/null 2>&1 &
wm_pid=$!

# The window manager may not end on SIGTERM (it can hang in its own shutdown),
# so it gets a short grace period and is then killed; xvfb-run waits for us.
stop_window_manager() {
  rm -rf "$wm_config"
  kill -TERM "$wm_pid" 2>/dev/null || return 0
  for _ in $(seq 20); do
    kill -0 "$wm_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$wm_pid" 2>/dev/null
  wait "$wm_pid" 2>/dev/null
  return 0
}
trap stop_window_manager EXIT

# Wait until the window manager has taken the display (at most ~5 s).
for _ in $(seq 50); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then break; fi
  sleep 0.1
done
"$@"
status=$?
stop_window_manager
trap - EXIT
exit $status
