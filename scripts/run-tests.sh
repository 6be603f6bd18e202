#!/usr/bin/env bash
# Runs the unit tests without a display, then the GUI tests under Xvfb.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:-build}" && pwd)
cd "$build_dir"

status=0
env -u DISPLAY ctest --output-on-failure -L unit -j 2 || status=1

if ctest -N -L gui | grep -q 'Total Tests: [1-9]'; then
  xvfb-run -a -s "-screen 0 1280x1024x24" "$here/with-window-manager.sh" ctest --output-on-failure -L gui || status=1
fi

exit $status
