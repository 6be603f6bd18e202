#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Idempotent and non-interactive: packages already present are skipped.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ccache git
  juce-modules-source
  libsqlite3-dev sqlite3 libminizip-dev zlib1g-dev
  libjack-jackd2-dev jackd2 jack-tools libasound2-dev
  libfreetype-dev libfontconfig1-dev
  libx11-dev libxext-dev libxrandr-dev libxinerama-dev libxcursor-dev libxcomposite-dev libxrender-dev
  libgl-dev
  libflac-dev libvorbis-dev libogg-dev libpng-dev libjpeg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils fluxbox xdotool fonts-liberation2 imagemagick
  fonts-noto-core fonts-noto-cjk
  sox lame
  ola libola-dev
  zip unzip midicsv
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# jackd2 asks whether to enable realtime scheduling; answer it up front.
echo "jackd2 jackd/tweak_rt_limits boolean false" | $SUDO debconf-set-selections
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
