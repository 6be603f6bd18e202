#!/usr/bin/env bash
# Runs the unit tests without a display, then the GUI tests under Xvfb.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "${1:-build}" && pwd)
cd "$build_dir"

# Tests run one at a time: many start a JACK dummy server of their own, and JACK
# servers coming up side by side share a registry and can stall a client's
# start. Every test has a time limit, so a stalled one fails instead of hanging
# the run, and a test that failed gets one more try (for a server that did not
# come up; a real fault fails twice).
# RAV_TEST_TIMEOUT: seconds a test may take (240; the sanitized runs allow more).
ctest_flags=(--output-on-failure --timeout "${RAV_TEST_TIMEOUT:-240}" --repeat until-pass:2)
# RAV_TEST_EXCLUDE: a regular expression of tests to leave out (the sanitized
# runs leave out the tests that measure stage timing; see the Makefile).
if [ -n "${RAV_TEST_EXCLUDE:-}" ]; then
  ctest_flags+=(-E "$RAV_TEST_EXCLUDE")
fi

status=0
env -u DISPLAY ctest "${ctest_flags[@]}" -L unit || status=1

# -noreset: see the Makefile's run target (xvfb-run's status must be ctest's).
if ctest -N -L gui | grep -q 'Total Tests: [1-9]'; then
  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$here/with-window-manager.sh" ctest "${ctest_flags[@]}" -L gui || status=1
fi

exit $status
