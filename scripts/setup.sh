#!/usr/bin/env bash
# Installs every Debian package the game, its tools and its tests need. Quick when all are
# already there; otherwise one apt-get update and one install.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  ccache  # the test script reuses what earlier builds compiled
  libsdl2-dev libsdl2-mixer-dev libsdl2-ttf-dev libfontconfig-dev libpng-dev zlib1g-dev
  libimgui-dev nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libasio-dev
  libsimpleini-dev  # lavarumble.ini (header only: SimpleIni.h)
  netbase  # /etc/services: the sockets look up port names there
  python3-minimal  # scripts/soak.sh asks the system for a free port with it
  fonts-dejavu-core fonts-league-spartan
  xvfb xauth xdotool x11-utils imagemagick
  xfonts-base  # the error boxes draw their text with the X server's core fonts
  clang libclang-rt-14-dev  # the fuzz targets: clang with libFuzzer and its sanitizers
  dpkg-dev  # dpkg-shlibdeps: the Debian package's library dependencies (cpack)
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
