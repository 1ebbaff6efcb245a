#!/bin/sh
# Starts the installed game from the player's own folder, so that "settings.ini" and
# "velmora.score" are theirs: on first start the folder gets a copy of the default settings
# and a link to the installed Media. Prints nothing; passes the game's exit status through.
prefix=$(CDPATH= cd -- "$(dirname -- "$(readlink -f -- "$0")")/.." && pwd)
share="$prefix/share/velmora"
game="$prefix/lib/velmora/velmora"
home="${XDG_DATA_HOME:-${HOME:-/tmp}/.local/share}/velmora"

mkdir -p -- "$home" 2>/dev/null
[ -e "$home/settings.ini" ] || cp -- "$share/settings.ini" "$home/settings.ini" 2>/dev/null
# A stale link (the game moved or was reinstalled elsewhere) is replaced; a real folder the
# player made is left alone.
if [ -L "$home/Media" ] && [ ! -e "$home/Media" ]; then rm -f -- "$home/Media"; fi
[ -e "$home/Media" ] || ln -s -- "$share/Media" "$home/Media" 2>/dev/null
cd -- "$home" 2>/dev/null || cd -- "$share" || exit 1
exec "$game"
