#!/usr/bin/env bash
# Installs every Debian package that the build, the program and the tests need.
# Does nothing when all of them are already present.
set -euo pipefail
PKGS=(wine wine64 wine64-tools libwine-dev g++ make cmake pkg-config
      libmagickwand-6.q16-dev libimagequant-dev liblodepng-dev libgtest-dev
      fonts-wqy-zenhei fonts-wqy-microhei fonts-wine locales xvfb xauth xdotool imagemagick
      g++-mingw-w64-x86-64 icc-profiles-free libgs-common
      clang libclang-rt-14-dev lld llvm-14)
# The benchmark scripts compare against these peers: scripts/setup.sh --bench.
if [ "${1:-}" = "--bench" ]; then
    PKGS+=(pngquant bc libvips-tools time)
fi
missing=()
for p in "${PKGS[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
