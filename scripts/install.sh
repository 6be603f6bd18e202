#!/usr/bin/env bash
# The install step: lays out the data folder ($XDG_DATA_HOME/zezevade didid/Vodozav)
# with a fresh database when none exists (never overwriting one), the default
# media folder and the splash image, then installs both lighting-controller
# plug-ins under ~/.vst3.
set -euo pipefail
build_dir=${1:-build}
"$build_dir/tools/rav-install"
bash "$(dirname "$0")/install-plugins.sh" "$build_dir"
