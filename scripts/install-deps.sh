#!/usr/bin/env bash
# Installs what building, playing and testing Velmora need on Debian 12 and 13 (sudo when not
# root). The package names hold on both releases.
# Packages already present are left alone, so a second run costs one dpkg query.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    libsdl1.2-dev libsdl-image1.2-dev libsdl-mixer1.2-dev libgl-dev libglu1-mesa-dev
    libgl1-mesa-dri libx11-dev
)
for option in "$@"; do
    case "$option" in
    --tests)
        packages+=(libgtest-dev libbenchmark-dev xvfb xdotool x11-utils imagemagick faketime
            desktop-file-utils appstream libxdamage-dev)
        # libmad, which the music tests feed the way the mixer does.
        packages+=(libmad0-dev)
        # The browser build's end-to-end test: the compiler, the browser it drives, and python3
        # for its DevTools client and the loopback server.
        packages+=(emscripten chromium python3)
        ;;
    --fuzz) packages+=(clang libclang-rt-dev) ;;  # the runtime matching the release's clang
    # scripts/test-debian13.sh, which bootstraps a Debian 13 root to test in.
    --debian13) packages+=(debootstrap debian-archive-keyring) ;;
    # The browser build (scripts/build-web.sh) and the loopback server of ./play.sh --web.
    --web) packages+=(emscripten python3) ;;
    # The Windows build (scripts/build-windows.sh: mingw-w64, Debian's library sources, NSIS) and
    # its test under Wine.
    --windows)
        packages+=(g++-mingw-w64-x86-64 dpkg-dev patch make zip unzip nsis wine wine64)
        packages+=(libgtest-dev xvfb xdotool x11-utils imagemagick)  # googletest's source
        ;;
    # Only for regenerating Media/ with tools/media/generate.sh; the committed files suffice
    # for building, playing and testing.
    --media) packages+=(python3 python3-numpy python3-pil lame fonts-dejavu-core) ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=
[ "$(id -u)" -ne 0 ] && sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
