#!/usr/bin/env bash
# Builds the Windows program on Debian: installs the MinGW-w64 cross compilers
# with apt-get, fetches Debian's source packages of the libraries, cross-builds
# them into a cache outside the clone (scripts/windows/libraries.sh), builds
# velmora.exe and velmora-cli.exe with the tests into build-windows/ and packs
# dist/velmora-11.5-win64.zip.
#
#   scripts/build-windows.sh [--libraries]    (--libraries: stop after the libraries)
#
# VELMORA_WINDOWS_CACHE  the cache (default ~/.cache/velmora-windows)
# VELMORA_WINDOWS_BUILD  the build folder (default build-windows beside build/)
# VELMORA_JOBS           parallel jobs (default 2)
set -euo pipefail
shopt -s inherit_errexit
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
CACHE="${VELMORA_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/velmora-windows}"
WINBUILD="${VELMORA_WINDOWS_BUILD:-$ROOT/build-windows}"
JOBS="${VELMORA_JOBS:-2}"
STARTED=$SECONDS
# Library builds take both cores for minutes: others on the machine come first.
renice -n 10 -p $$ >/dev/null 2>&1 || true

export HOST=x86_64-w64-mingw32
export CC=$HOST-gcc-posix CXX=$HOST-g++-posix AR=$HOST-ar RANLIB=$HOST-ranlib STRIP=$HOST-strip
export WINDRES=$HOST-windres SYSROOT=/usr/$HOST JOBS
export TOOLCHAIN_FILE="$ROOT/cmake/mingw64-toolchain.cmake"
RECIPE="$ROOT/scripts/windows/libraries.sh"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

say() { printf '%s\n' "$*"; }
elapsed() { local s=$(($2 - $1)); printf '%d:%02d' $((s / 60)) $((s % 60)); }

# --- tools --------------------------------------------------------------------
TOOLS=(g++-mingw-w64-x86-64 libz-mingw-w64-dev nasm meson ninja-build cmake make pkg-config dpkg-dev xz-utils patch zip file
       autoconf automake libtool autopoint)
install_tools() {
    "$ROOT/scripts/setup.sh"
    local missing=() p
    for p in "${TOOLS[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        say "Installing: ${missing[*]}"
        $SUDO apt-get update -qq
        $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# Source packages come from the same archive as the binary ones: when no deb-src
# entry is configured, one is added for every suite of the running release that
# has a deb entry for main.
DEB_SRC_FILE=/etc/apt/sources.list.d/velmora-deb-src.sources
ensure_deb_src() {
    if apt-get indextargets --format '$(IDENTIFIER)' | grep -qx Sources; then
        return
    fi
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg entries
    entries=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Identifier: Packages' 'Component: main' |
        sort -u)
    say "Adding deb-src entries ($DEB_SRC_FILE):"
    while read -r uri release; do
        say "  $uri $release main"
        printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\n' "$uri" "$release"
        [ -f "$keyring" ] && printf 'Signed-By: %s\n' "$keyring"
        printf '\n'
    done <<<"$entries" | $SUDO tee "$DEB_SRC_FILE" >/dev/null
    $SUDO apt-get update -qq
}

# --- the recipe -----------------------------------------------------------------
NAMES=()
declare -A SOURCE_PACKAGE LINUX_PACKAGE NEEDS HOW OPTIONS RECIPE_LINE KEY DIR VERSION
library() {
    local name=$1
    NAMES+=("$name")
    SOURCE_PACKAGE[$name]=$2
    LINUX_PACKAGE[$name]=$3
    NEEDS[$name]=$4
    HOW[$name]=$5
    shift 5
    OPTIONS[$name]="$*"
    RECIPE_LINE[$name]="${SOURCE_PACKAGE[$name]} ${LINUX_PACKAGE[$name]} ${NEEDS[$name]} ${HOW[$name]} $*"
}
# shellcheck source=windows/libraries.sh
. "$RECIPE"
# How a library is built: cmake, autotools or its own function of the recipe.
step_of() {
    case "${HOW[$1]}" in
        cmake) printf cmake_build ;;
        autotools) printf autotools_build ;;
        *) printf '%s' "${HOW[$1]}" ;;
    esac
}

# The version to build: the one the Winelib build links (the installed Linux
# package's source version), else the newest source in the archive.
source_version() {
    local name=$1 version
    version=$(dpkg-query -W -f='${source:Version}' "${LINUX_PACKAGE[$name]}" 2>/dev/null || true)
    if [ -z "$version" ]; then
        version=$(apt-cache showsrc "${SOURCE_PACKAGE[$name]}" 2>/dev/null | sed -n 's/^Version: //p' |
            sort -V | tail -1)
    fi
    [ -n "$version" ] || { say "No version of ${SOURCE_PACKAGE[$name]} found" >&2; exit 1; }
    printf '%s' "$version"
}

compute_keys() {
    local name need text toolchain
    # The compilers and the common build steps are part of every library's key.
    toolchain="$($CC --version | head -1); $($CXX --version | head -1); $(cmake --version | head -1); $(nasm -v)"
    toolchain+="|$(declare -f build_library write_pc)|$(cat "$TOOLCHAIN_FILE")"
    for name in "${NAMES[@]}"; do
        VERSION[$name]=$(source_version "$name")
        text="${RECIPE_LINE[$name]}|${VERSION[$name]}|$toolchain|$(declare -f "$(step_of "$name")")"
        if [ -d "$ROOT/scripts/windows/patches/$name" ]; then
            text+="|$(cat "$ROOT/scripts/windows/patches/$name"/*)"
        fi
        for need in ${NEEDS[$name]}; do
            text+="|${KEY[$need]}"
        done
        KEY[$name]=$(printf '%s' "$text" | sha256sum | cut -c1-12)
        DIR[$name]="$CACHE/lib/$name-${KEY[$name]}"
    done
}

# --- sources --------------------------------------------------------------------
# Extracted with dpkg-source, which applies every Debian patch; then our own
# patches of scripts/windows/patches/NAME (Windows-only code Debian never compiles).
fetch_source() {
    local name=$1 package=${SOURCE_PACKAGE[$1]} version=${VERSION[$1]} dir candidate got=""
    dir="$CACHE/src/${package}_${version#*:}"
    if [ -f "$dir/.velmora-extracted" ]; then
        printf '%s' "$dir"
        return
    fi
    rm -rf "$dir" "$dir.download"
    mkdir -p "$dir.download"
    # A mirror may lack the sources of an update (the security archive keeps only
    # the newest): then the newest version that can be fetched, said loudly.
    for candidate in "$version" $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV); do
        if (cd "$dir.download" && apt-get source -qq --download-only "$package=$candidate" >/dev/null 2>&1); then
            got=$candidate
            break
        fi
        rm -f "$dir.download"/*
    done
    if [ -z "$got" ]; then
        say "No source of $package could be fetched (is there a deb-src entry?)" >&2
        exit 1
    fi
    if [ "$got" != "$version" ]; then
        say "  warning: the sources of $package $version cannot be fetched here; building $got" >&2
        printf '%s\n' "$got" >"$dir.download/velmora-version"
    fi
    (cd "$dir.download" && dpkg-source -x --no-check ./*.dsc "$dir" >/dev/null)
    [ -f "$dir.download/velmora-version" ] && cp "$dir.download/velmora-version" "$dir/.velmora-version"
    rm -rf "$dir.download"
    local patch
    for patch in "$ROOT/scripts/windows/patches/$name"/*.patch; do
        [ -f "$patch" ] || continue
        if patch -d "$dir" -p1 --dry-run -s <"$patch" >/dev/null 2>&1; then
            patch -d "$dir" -p1 -s <"$patch"
        elif patch -d "$dir" -p1 -R --dry-run -s <"$patch" >/dev/null 2>&1; then
            say "  $(basename "$patch"): already in Debian's source, not applied" >&2
        else
            say "$(basename "$patch") does not apply to $package $got" >&2
            exit 1
        fi
    done
    touch "$dir/.velmora-extracted"
    printf '%s' "$dir"
}

# --- libraries ------------------------------------------------------------------
# Each library is built by a bash of its own (so that any failing step stops it)
# in an empty work folder, with the compiler and pkg-config pointed at the
# libraries it needs and nothing else, into its own folder of the cache.
build_library() {
    local name=$1 out=${DIR[$1]} src="" need roots="" cflags="" ldflags="" pcdirs="" built=${VERSION[$1]}
    if [ "${SOURCE_PACKAGE[$name]}" != - ]; then
        src=$(fetch_source "$name")
        [ -f "$src/.velmora-version" ] && built=$(cat "$src/.velmora-version")
    fi
    for need in ${NEEDS[$name]}; do
        roots+="${roots:+;}${DIR[$need]}"
        cflags+=" -I${DIR[$need]}/include"
        ldflags+=" -L${DIR[$need]}/lib"
        pcdirs+="${DIR[$need]}/lib/pkgconfig:"
    done
    local upstream=${VERSION[$name]#*:}
    rm -rf "$out" "$out.work"
    mkdir -p "$out/lib/pkgconfig" "$out.work"
    # shellcheck disable=SC2086
    if ! (cd "$out.work" && env CPPFLAGS="${cflags# }" LDFLAGS="${ldflags# }" VELMORA_WINDOWS_ROOTS="$roots" \
            PKG_CONFIG_PATH="" PKG_CONFIG_LIBDIR="${pcdirs}$out/lib/pkgconfig" ZLIB_PREFIX="${DIR[zlib]}" \
            UPSTREAM_VERSION="${upstream%%[-+]*}" \
            bash -euo pipefail -c 'library() { :; }; . "$0"; "$@"' "$RECIPE" "$(step_of "$name")" "$src" "$out" \
            ${OPTIONS[$name]} >"$out.log" 2>&1); then
        say "$name failed; the end of its log ($out.log):"
        tail -40 "$out.log"
        exit 1
    fi
    rm -rf "$out.work"
    find "$out" -name '*.la' -delete
    mkdir -p "$out/share/velmora-licenses"
    if [ -n "$src" ]; then
        cp "$src/debian/copyright" "$out/share/velmora-licenses/$name.txt"
    else
        cp "/usr/share/doc/${LINUX_PACKAGE[$name]}/copyright" "$out/share/velmora-licenses/$name.txt"
    fi
    printf '%s\n' "$built" >"$out/.velmora-built"
}

build_libraries() {
    mkdir -p "$CACHE/lib" "$CACHE/src"
    exec 8>"$CACHE/.lock"
    flock 8
    compute_keys
    local name t0 built=0
    say "Libraries for Windows (cache: $CACHE):"
    for name in "${NAMES[@]}"; do
        if [ -f "${DIR[$name]}/.velmora-built" ]; then
            say "  $(printf '%-12s' "$name") $(cat "${DIR[$name]}/.velmora-built")  cached (${KEY[$name]})"
            continue
        fi
        t0=$SECONDS
        say "  $(printf '%-12s' "$name") building..."
        build_library "$name"
        say "  $(printf '%-12s' "$name") $(cat "${DIR[$name]}/.velmora-built")  built in $(elapsed "$t0" "$SECONDS")"
        built=$((built + 1))
    done
    # Builds no clone has used for 30 days go (another branch's recipe may still
    # use an older build, so a build is not removed just because this one differs).
    for name in "${NAMES[@]}"; do touch "${DIR[$name]}/.velmora-used"; done
    find "$CACHE/lib" -mindepth 2 -maxdepth 2 -name .velmora-used -mtime +30 -printf '%h\n' | xargs -r rm -rf
    flock -u 8
    say "Libraries: $built built, $((${#NAMES[@]} - built)) from the cache, $(elapsed "$STARTED" "$SECONDS")"
}

# --- the program ------------------------------------------------------------------
build_program() {
    local roots="" name t0=$SECONDS
    for name in "${NAMES[@]}"; do roots+="${roots:+;}${DIR[$name]}"; done
    # A library built anew lives in another folder of the cache, and CMake keeps
    # what it found in the old ones (pkg-config's flags, LodePNG, GoogleTest).
    local fresh=()
    if [ -f "$WINBUILD/CMakeCache.txt" ] &&
        [ "$(sed -n 's/^VELMORA_WINDOWS_ROOTS:[A-Z]*=//p' "$WINBUILD/CMakeCache.txt")" != "$roots" ]; then
        say "Other library builds than last time: configuring $WINBUILD afresh"
        fresh=(--fresh)
    fi
    # -O2 as the Winelib build; the zip gets stripped copies.
    cmake "${fresh[@]}" -S "$ROOT" -B "$WINBUILD" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN_FILE" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVELMORA_WINDOWS_ROOTS="$roots" -DVELMORA_WINELIB_BUILD="${VELMORA_BUILD:-$ROOT/build}" >/dev/null
    cmake --build "$WINBUILD" -j"$JOBS"
    say "Program: $(elapsed "$t0" "$SECONDS")"
}

install_tools
ensure_deb_src
build_libraries
[ "${1:-}" = "--libraries" ] && exit 0
build_program
# shellcheck source=windows/package.sh
. "$ROOT/scripts/windows/package.sh"
package_program
say "Windows build done in $(elapsed "$STARTED" "$SECONDS")"
