#!/usr/bin/env bash
# The install step: lays out the data folder ($XDG_DATA_HOME/zezevade didid/Vodozav)
# with a fresh database when none exists (never overwriting one), the default
# media folder and the splash image, then installs both lighting-controller
# plug-ins under ~/.vst3.
set -euo pipefail
build_dir=${1:-build}
"$build_dir/tools/rav-install"
# The user manual, opened by "Read user manual..." in the Help menu.
data_folder="${XDG_DATA_HOME:-$HOME/.local/share}/zezevade didid/Vodozav"
mkdir -p "$data_folder/Documentation"
cp "$(dirname "$0")/../docs/user-manual.html" "$data_folder/Documentation/Vodozav.html"
bash "$(dirname "$0")/install-plugins.sh" "$build_dir"
