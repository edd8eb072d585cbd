# Packs dist/velmora-<version>-win64.zip; sourced by scripts/build-windows.sh
# (needs ROOT, WINBUILD, NAMES, DIR, VERSION and SOURCE_PACKAGE from there).
#
#   velmora-11.5-win64/
#     velmora.exe  velmora-cli.exe   the window program and its console twin
#     config/      ImageMagick's configuration and the program's policy
#     icc/         colour profiles
#     help/        the help page
#     README.txt   for Windows users, Chinese first
#     LICENSE.txt  the program's licence; licenses/ those of everything inside
#
# Every library is linked statically, so there is no DLL to ship: the check
# (scripts/windows/check-package.sh) proves that each program imports only
# Windows system DLLs.

package_program() {
    local version name stage top zip
    version=$(sed -n 's/^project(velmora VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
    top="velmora-$version-win64"
    stage="$WINBUILD/package"
    zip="$ROOT/dist/$top.zip"
    rm -rf "$stage"
    mkdir -p "$stage/$top"/{config,icc,help,licenses} "$ROOT/dist"
    local out="$stage/$top"

    for name in velmora velmora-cli; do
        $STRIP -o "$out/$name.exe" "$WINBUILD/$name.exe"
    done

    # What the program reads beside itself, as the build folder has it: the
    # policy and ImageMagick's configuration, the profiles.
    cp "$WINBUILD"/config/*.xml "$out/config/"
    cp "$WINBUILD"/icc/*.icc "$out/icc/"
    cp "$ROOT/res/help/index.html" "$out/help/"

    # Windows users open .txt files with Notepad: UTF-8 with a byte-order mark
    # and CRLF line ends.
    to_windows_text() { printf '\xEF\xBB\xBF'; sed 's/$/\r/' "$1"; }
    to_windows_text "$ROOT/res/windows/README.txt" >"$out/README.txt"
    to_windows_text "$ROOT/LICENSE" >"$out/LICENSE.txt"
    for name in "${NAMES[@]}"; do
        [ "$name" = googletest ] && continue  # only in the tests, not shipped
        {
            printf '%s, built from Debian source package %s %s\n\n' "$name" "${SOURCE_PACKAGE[$name]}" \
                "$(cat "${DIR[$name]}/.velmora-built")"
            cat "${DIR[$name]}/share/velmora-licenses/$name.txt"
        } >"$stage/licence.tmp"
        to_windows_text "$stage/licence.tmp" >"$out/licenses/$name.txt"
    done
    # Linked into every program by the cross compiler: the GCC runtime (libgcc,
    # libstdc++, libgomp: GPL with the runtime exception) and MinGW-w64's C
    # runtime start-up code and winpthreads.
    local doc
    for doc in gcc-mingw-w64-base mingw-w64-common; do
        to_windows_text "/usr/share/doc/$doc/copyright" >"$out/licenses/$doc.txt"
    done
    # The profiles' licences stay beside them in icc\ (icc-profiles may be shared
    # only with its terms).
    for doc in "$WINBUILD"/icc/*.txt; do
        to_windows_text "$doc" >"$out/icc/$(basename "$doc")"
    done
    rm -f "$stage/licence.tmp"

    rm -f "$zip"
    # Fixed times and order: the same build gives the same zip.
    find "$stage" -exec touch -h -d '2000-01-01 00:00:00' {} +
    (cd "$stage" && find "$top" -print | LC_ALL=C sort | zip -q -X -9 "$zip" -@)
    bash "$ROOT/scripts/windows/check-package.sh" "$zip"
    say "Package: $zip ($(du -h "$zip" | cut -f1))"
}
