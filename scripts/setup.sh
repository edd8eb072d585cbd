#!/usr/bin/env bash
# Installs every Debian package that the build, the program and the tests need.
# Does nothing when all of them are already present.
set -euo pipefail
# Text watermarks draw a face in a font of its own style: AR PL UMing (Song/Ming),
# AR PL UKai (Kai), WenQuanYi Micro Hei (Hei); Noto Serif/Sans CJK after them.
# icc-profiles (Debian's non-free component) carries the Japan Color, FOGRA39
# and SWOP profiles the program ships in build/icc. openbox: the window manager
# of the screenshot scripts.
PKGS=(wine wine64 wine64-tools libwine-dev g++ make cmake pkg-config
      libmagickwand-6.q16-dev libimagequant-dev liblodepng-dev libexif-dev libjpeg62-turbo-dev libgtest-dev
      fonts-wqy-zenhei fonts-wqy-microhei fonts-wine locales xvfb xauth xdotool imagemagick openbox
      fonts-noto-cjk fonts-arphic-uming fonts-arphic-ukai
      g++-mingw-w64-x86-64 icc-profiles-free icc-profiles libgs-common
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
# icc-profiles lives in the non-free component, which a fresh system does not
# list: add it for this release (a file of its own, the system's lists untouched).
if ! apt-cache policy icc-profiles 2>/dev/null | grep -q 'Candidate: [0-9]'; then
    . /etc/os-release
    printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: non-free\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$VERSION_CODENAME" | $SUDO tee /etc/apt/sources.list.d/velmora-non-free.sources >/dev/null
    $SUDO apt-get update -qq
fi
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
