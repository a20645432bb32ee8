#!/usr/bin/env bash
# Builds the Debian package from a built release build folder with cpack and checks it without
# installing it: its name (lavarumble_VERSION_ARCH.deb), its control fields (section, maintainer,
# description, the libraries dpkg-shlibdeps found and the fonts the game looks up by name), no
# maintainer scripts (so the master's unit is installed but never enabled or started), and its
# file list against the build's generated data.
#   bash scripts/check_deb.sh [BUILD_DIR] [OUT_DIR]   (defaults: build, BUILD_DIR/deb)
# Prints "check_deb: ..." and the package's path on success; one line saying what failed and
# exit 1 otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
fail() { echo "check_deb: FAIL: $*"; exit 1; }
[ -f "$build/CPackConfig.cmake" ] || fail "$build is no configured build folder"
grep -q '^LR_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" && fail "$build is a sanitizer build: package a release build"
if [ $# -ge 2 ]; then
  out=$2
else
  out=$build/deb
  rm -rf "$out"  # the last package and its staging: ours to replace
fi
mkdir -p "$out"
for f in lavarumble lavarumble-master assets.stamp; do
  [ -f "$build/$f" ] || fail "$build has no $f: build it first (cmake --build $build --target lavarumble lavarumble-master)"
done
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || fail "cpack: $(tail -n 5 "$out/cpack.log" | tr '\n' ' ')"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$out/lavarumble_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb (cpack made: $(ls "$out"/*.deb 2>/dev/null | tr '\n' ' '))"
dpkg-deb -I "$deb" >"$out/info"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$out/files"

field() { sed -n "s/^ $1: //p" "$out/info"; }
[ "$(field Package)" = lavarumble ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Section)" = games ] || fail "Section is '$(field Section)'"
[[ "$(field Maintainer)" == *"<"*"@"*">" ]] || fail "Maintainer is '$(field Maintainer)'"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
for package in libc6 libstdc++6 libsdl2-2.0-0 libsdl2-mixer-2.0-0 libsdl2-ttf-2.0-0 libfontconfig1 libpng16-16 \
  fontconfig fonts-dejavu-core fonts-league-spartan; do
  [[ ", $depends," == *", $package "* || ", $depends," == *", $package,"* ]] || fail "Depends lacks $package: $depends"
done
for script in preinst postinst prerm postrm; do
  grep -qw "$script" "$out/info" && fail "the package has a $script script"
done

expected=(/usr/bin/lavarumble /usr/bin/lavarumble-master /usr/share/applications/lavarumble.desktop
  /usr/share/icons/hicolor/64x64/apps/lavarumble.png /usr/share/icons/hicolor/256x256/apps/lavarumble.png
  /usr/share/man/man6/lavarumble.6 /usr/share/man/man6/lavarumble-master.6
  /usr/lib/systemd/system/lavarumble-master.service)
for folder in data Sounds; do
  for f in "$build/$folder"/*; do expected+=("/usr/share/lavarumble/$folder/$(basename "$f")"); done
done
for f in "${expected[@]}"; do grep -qx "$f" "$out/files" || fail "the package lacks $f"; done
# Nothing but those files and their folders.
extra=$(grep -v '/$' "$out/files" | grep -vxF -f <(printf '%s\n' "${expected[@]}") || true)
[ -z "$extra" ] || fail "the package holds files it should not: $extra"
unit=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/systemd/system/lavarumble-master.service)
grep -qx "ExecStart=/usr/bin/lavarumble-master --port 8888" <<<"$unit" || fail "the unit's ExecStart: $(grep ExecStart <<<"$unit")"
echo "check_deb: $(grep -c . "$out/files") entries, Depends: $depends"
echo "$deb"
