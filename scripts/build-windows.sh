#!/usr/bin/env bash
# Cross-builds Velmora for 64-bit Windows on Debian 12 (or 13) from this checkout and Debian's
# archive alone: SDL 1.2, SDL_mixer 1.2 (MP3 through libmad), libpng and zlib are built from
# Debian's source packages with mingw-w64 and linked statically into one velmora.exe.
#
# Usage: scripts/build-windows.sh OUTDIR
# Makes OUTDIR/velmora-windows-x64.zip (a folder Velmora/) and OUTDIR/velmora-setup.exe (an
# NSIS installer). The libraries are cached under build-windows/: a second run rebuilds only the
# game. The sources come through a source list of this build's own under build-windows/apt; the
# system's apt configuration is read for its archive address and never changed.
# Environment: VELMORA_WINDOWS_TESTS=1 also builds the unit tests as Windows programs
# (build-windows/game/tests/unit_tests.exe), as scripts/test-windows.sh does.
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$1" && out=$(cd "$1" && pwd)
work=$source_dir/build-windows
host=x86_64-w64-mingw32
prefix=$work/prefix
jobs=${VELMORA_JOBS:-2}
release=bookworm
# One source package per library, pinned to its release; the upstream version each must unpack
# to is checked, so a changed archive stops the build instead of shipping something else.
packages=(zlib libpng1.6 libmad libsdl1.2 sdl-mixer1.2)
# The archive reached here serves libmad's Debian 12 tarball but not Debian's diff of it; Debian
# 13 packages the same upstream 0.15.1b in full, its security fixes included.
declare -A package_release=([libmad]=trixie)
declare -A upstream=([zlib]=1.2.13 [libpng1.6]=1.6.39 [libmad]=0.15.1b [libsdl1.2]=1.2.15
    [sdl-mixer1.2]=1.2.12)

step() { echo "== $*"; }
renice -n 10 $$ >/dev/null  # the machine is shared: builds go after interactive work
for tool in $host-gcc $host-g++ $host-windres makensis zip; do
    command -v $tool >/dev/null || {
        echo "$tool is missing: run scripts/install-deps.sh --windows" >&2
        exit 1
    }
done

# ---- sources through a private apt state ----

# The archive the system's own apt uses, from either style of source list.
archive_address() {
    local files=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources)
    { cat "${files[@]}" 2>/dev/null || true; } |
        sed -nE 's/^deb(-src)? +(\[[^]]*\] +)?(https?:[^ ]+) .*/\3/p; s/^URIs: *(https?:[^ ]+).*/\1/p' |
        grep -v -e security -e updates | head -n1 || true
}

apt_dir=$work/apt
apt_options=(-o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts="$apt_dir/parts"
    -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
    -o Dir::Etc::Preferences="$apt_dir/preferences" -o Dir::Etc::PreferencesParts="$apt_dir/parts"
    -o APT::Sandbox::User="$(id -un)" -qq)  # downloads into our own folder, as ourselves

wanted_sources() {
    local mirror keyring=/usr/share/keyrings/debian-archive-keyring.gpg suite
    mirror=$(archive_address)
    [ -n "$mirror" ] || { echo "no Debian archive in the system's apt sources" >&2; exit 1; }
    [ -e $keyring ] || keyring=/usr/share/keyrings/debian-archive-keyring.pgp  # Debian 13's name
    for suite in $release $(printf '%s\n' "${package_release[@]}" | sort -u); do
        echo "deb-src [signed-by=$keyring] $mirror $suite main"
    done
}

# The source lists, fetched once for as long as the wanted suites stay the same.
fetch_sources() {
    local wanted
    wanted=$(wanted_sources)
    [ "$wanted" != "$(cat "$apt_dir/sources.list" 2>/dev/null)" ] || return 0
    mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    : >"$apt_dir/preferences"
    echo "$wanted" >"$apt_dir/sources.list.new"
    step "source lists: ${wanted//$'\n'/, }"
    mv "$apt_dir/sources.list.new" "$apt_dir/sources.list"
    apt-get "${apt_options[@]}" update || { rm -f "$apt_dir/sources.list"; exit 1; }
}

# unpack PACKAGE: Debian's source of PACKAGE under build-windows/src, patches applied.
unpack() {
    local package=$1 dir=$work/src/$1 suite=${package_release[$1]:-$release}
    [ "$(cat "$dir/.unpacked" 2>/dev/null)" = "$suite" ] && return
    fetch_sources
    rm -rf "$dir" && mkdir -p "$dir"
    step "source of $package/$suite"
    (cd "$dir" && apt-get "${apt_options[@]}" source "$package/$suite") >"$dir.log" 2>&1 || {
        cat "$dir.log" >&2
        echo "apt-get source $package/$suite failed" >&2
        exit 1
    }
    mv "$dir"/"$package"-*/ "$dir/tree"
    compgen -G "$dir/${package}_${upstream[$package]}[.+]*orig.tar.*" >/dev/null || {
        echo "$package/$suite is not version ${upstream[$package]}" >&2
        exit 1
    }
    echo "$suite" >"$dir/.unpacked"
}

# ---- the libraries, static, into build-windows/prefix ----

export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=
cross_cflags="-O2 -g0"
configure_flags=(--host="$host" --prefix="$prefix" --disable-shared --enable-static)

build_zlib() {
    # Debian's tarball has no win32 makefile; the portable configure takes the cross compiler.
    CHOST=$host CFLAGS="$cross_cflags" ./configure --static --prefix="$prefix"
    make -j"$jobs" libz.a && make install
}

build_libpng() {
    ./configure "${configure_flags[@]}" CFLAGS="$cross_cflags" CPPFLAGS="-I$prefix/include" \
        LDFLAGS="-L$prefix/lib"
    make -j"$jobs" && make install
}

build_libmad() {
    # Its configure would add -fforce-mem, which current GCC rejects; CFLAGS given here win.
    ./configure "${configure_flags[@]}" --enable-fpm=64bit CFLAGS="$cross_cflags"
    make -j"$jobs" CFLAGS="$cross_cflags" && make install
}

build_sdl() {
    # Debian strips -lmingw32 -lSDLmain -mwindows from sdl-config and sdl.pc, which a Windows
    # program needs to have SDL's start-up wrapper call main.
    patch -R -p1 -s <debian/patches/dont_propagate_lpthread.diff
    # SDLmain's stdout.txt and stderr.txt would be written beside the program, which fails in a
    # folder the player can't write to.
    ./configure "${configure_flags[@]}" --disable-stdio-redirect --disable-nasm \
        CFLAGS="$cross_cflags"
    make -j"$jobs" && make install
}

build_sdl_mixer() {
    ./configure "${configure_flags[@]}" --with-sdl-prefix="$prefix" \
        --enable-music-mp3-mad-gpl --disable-music-mp3 --disable-music-mod \
        --disable-music-midi --disable-music-ogg --disable-music-flac --disable-music-cmd \
        --disable-sdltest --disable-smpegtest \
        CFLAGS="$cross_cflags -I$prefix/include" LDFLAGS="-L$prefix/lib"
    make -j"$jobs" && make install
}

# build PACKAGE FUNCTION: once; its stamp names the package's version and this script's recipe.
build() {
    local package=$1 recipe=$2 stamp
    stamp="${upstream[$1]} ${package_release[$1]:-$release}"
    stamp+=" $(declare -f "$recipe" | sha1sum | cut -c1-12) $cross_cflags"
    [ "$(cat "$work/stamps/$package" 2>/dev/null)" = "$stamp" ] && return
    unpack "$package"
    step "building $package ${upstream[$package]} for $host"
    local started=$SECONDS
    rm -rf "$work/build/$package" && mkdir -p "$work/build" "$work/stamps"
    cp -a "$work/src/$package/tree" "$work/build/$package"
    (cd "$work/build/$package" && "$recipe") >"$work/build/$package.log" 2>&1 || {
        tail -n 30 "$work/build/$package.log" >&2
        echo "building $package failed; log: $work/build/$package.log" >&2
        exit 1
    }
    rm -rf "$work/build/$package"
    echo "$stamp" >"$work/stamps/$package"
    echo "   $((SECONDS - started)) s"
}

build zlib build_zlib
build libpng1.6 build_libpng
build libmad build_libmad
build libsdl1.2 build_sdl
build sdl-mixer1.2 build_sdl_mixer

# ---- the game ----

step "building velmora.exe"
tests=OFF
[ "${VELMORA_WINDOWS_TESTS:-0}" = 1 ] && tests=ON
cmake -S "$source_dir" -B "$work/game" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/packaging/windows/mingw-w64.cmake" \
    -DVELMORA_WINDOWS_PREFIX="$prefix" -DVELMORA_TESTS=$tests >/dev/null
cmake --build "$work/game" -j"$jobs"
$host-strip "$work/game/velmora.exe"

# ---- the folder players get ----

step "packaging"
stage=$work/stage/Velmora
rm -rf "$work/stage" && mkdir -p "$stage/licences"
cp "$work/game/velmora.exe" "$stage/"
cp -r "$source_dir/Media" "$stage/Media" && rm -f "$stage/Media/CREDITS"
# Notepad before Windows 10 1809 shows lone line feeds as one long line.
to_crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
to_crlf "$source_dir/settings.ini" "$stage/settings.ini"  # the game reads either line end
to_crlf "$source_dir/packaging/windows/README.txt" "$stage/README.txt"
# The Debian version each library was built from, as its source package's files name it.
debian_version() {
    local files=("$work/src/$1"/"$1"_*.dsc)
    [ -e "${files[0]}" ] || files=("$work/src/$1"/"$1"_*.orig.tar.*)
    basename "${files[0]}" | sed -E "s/^$1_//; s/\.(dsc|orig\.tar\..*)$//"
}
third_party=$(cat "$source_dir/packaging/windows/THIRD-PARTY.txt")
for package in "${packages[@]}"; do
    third_party=${third_party//@$package@/$(debian_version "$package")}
done
printf '%s\n' "$third_party" >"$work/THIRD-PARTY.txt"
to_crlf "$work/THIRD-PARTY.txt" "$stage/THIRD-PARTY.txt"
to_crlf "$source_dir/LICENSE" "$stage/licences/Velmora.txt"
to_crlf "$source_dir/Media/CREDITS" "$stage/licences/Media-CREDITS.txt"
to_crlf "$work/src/libsdl1.2/tree/COPYING" "$stage/licences/SDL.txt"
to_crlf "$work/src/sdl-mixer1.2/tree/COPYING" "$stage/licences/SDL_mixer.txt"
to_crlf "$work/src/libmad/tree/COPYING" "$stage/licences/libmad.txt"
to_crlf "$work/src/libpng1.6/tree/LICENSE" "$stage/licences/libpng.txt"
sed -n '/^Copyright notice:/,$p' "$work/src/zlib/tree/README" >"$work/zlib-licence"
to_crlf "$work/zlib-licence" "$stage/licences/zlib.txt"
[ -s "$stage/licences/zlib.txt" ] || { echo "zlib's licence text not found" >&2; exit 1; }

rm -f "$out/velmora-windows-x64.zip"
(cd "$work/stage" && zip -q -X -r "$out/velmora-windows-x64.zip" Velmora)

version=$(sed -nE 's/^project\(velmora VERSION ([0-9.]+).*/\1/p' "$source_dir/CMakeLists.txt")
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$out/velmora-setup.exe" \
    -DICON="$source_dir/packaging/windows/velmora.ico" "$source_dir/packaging/windows/velmora.nsi"
ls -l "$out/velmora-windows-x64.zip" "$out/velmora-setup.exe"
