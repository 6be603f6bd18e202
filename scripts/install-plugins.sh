#!/usr/bin/env bash
# Installs the two lighting-controller plug-ins built in BUILD_DIR where the
# program looks for them, replacing older copies:
#   ~/.vst3/zezevade didid/Viduroz Idav.vst3
#   ~/.vst3/ZEZERE/VOVIR.vst3
set -euo pipefail
build_dir=${1:-build}
paths="$build_dir/generated/rav_plugin_bundles.sh"
if [ ! -f "$paths" ]; then
  echo "install-plugins: $paths is missing; configure and build $build_dir first" >&2
  exit 1
fi
# shellcheck source=/dev/null
. "$paths"

install_bundle() {
  local from=$1 to=$2
  if [ ! -d "$from" ]; then
    echo "install-plugins: $from is missing; build the plug-ins first" >&2
    exit 1
  fi
  mkdir -p "$(dirname "$to")"
  # Copy beside the target first, so an interrupted copy never leaves half a bundle.
  rm -rf "$to.new"
  cp -R "$from" "$to.new"
  rm -rf "$to"
  mv "$to.new" "$to"
}

install_bundle "$vid_bundle" "$HOME/.vst3/zezevade didid/Viduroz Idav.vst3"
install_bundle "$vovir_bundle" "$HOME/.vst3/ZEZERE/VOVIR.vst3"
