#!/usr/bin/env bash
# Runs a command on the current X display with a small window manager beside it
# (JUCE windows need one on a bare Xvfb display). Used inside xvfb-run.
set -uo pipefail
fluxbox > /dev/null 2>&1 &
wm_pid=$!
# Wait until the window manager has taken the display (at most ~5 s).
for _ in $(seq 50); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then break; fi
  sleep 0.1
done
"$@"
status=$?
kill "$wm_pid" 2>/dev/null
wait "$wm_pid" 2>/dev/null
exit $status
