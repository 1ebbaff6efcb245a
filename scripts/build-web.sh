#!/usr/bin/env bash
# Builds the browser version into OUTDIR: index.html and the files it loads (velmora.js,
# velmora.wasm, velmora.data with the pictures and settings.ini, Media/music.mp3 fetched after
# the first frame, the page's scripts, style and icons, the media credits), the web app
# manifest and the service worker that keeps all of them for offline play.
# Any static web host can serve that folder. Needs emscripten (scripts/install-deps.sh --web);
# compiles in build-web/ beside this script's folder.
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
out=$1
here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build-web

# Debian's emcc runs its JavaScript steps with the node on PATH; one from elsewhere does not
# look in Debian's module folder for acorn by itself.
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs

# One build at a time in build-web/: the browser tests and ./play.sh --web may start together.
mkdir -p "$build"
exec 9>"$build/.lock"
flock 9

if [ ! -f "$build/Makefile" ] &&
    ! log=$(emcmake cmake -S "$here/web" -B "$build" -DCMAKE_BUILD_TYPE=Release 2>&1); then
    echo "$log" >&2
    exit 1
fi
cmake --build "$build" -j"$(nproc)" >/dev/null

mkdir -p "$out"
cp "$build/velmora.js" "$build/velmora.wasm" "$build/velmora.data" "$out/"
cp "$here/web/index.html" "$here/web/velmora-page.js" "$here/web/velmora-touch.js" \
    "$here/web/velmora-page.css" "$here/web/velmora.webmanifest" "$out/"
cp "$here/packaging/icons/velmora-64.png" "$out/velmora-icon.png"
cp "$here/web/icons/velmora-192.png" "$here/web/icons/velmora-512.png" "$out/"
cp "$here/Media/CREDITS" "$out/CREDITS.txt"
mkdir -p "$out/Media"
cp "$here/Media/music.mp3" "$out/Media/"

# The service worker names its cache after the build: a digest of every file it keeps.
rm -f "$out/velmora-sw.js"
files=$(cd "$out" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
version=$(cd "$out" && sha256sum $files | sha256sum | cut -c1-16)
list=$(printf "'%s', " $files)
sed -e "s|@VERSION@|$version|" -e "s|@FILES@|${list%, }|" "$here/web/velmora-sw.js" \
    >"$out/velmora-sw.js"
