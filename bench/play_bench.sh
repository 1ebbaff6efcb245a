#!/usr/bin/env bash
# Play benchmark: the real game, the floor program and (when installed) two SDL + OpenGL arcade
# games from Debian, each under its own Xvfb at each window size, and the browser build in
# headless chromium at 640x480, measured in one run:
#   fps     buffer swaps per wall second (counted by the libswapcount.so preload)
#   cpu     process CPU seconds (user + system, all threads) per wall second
#   x       the same for the program's Xvfb, which receives every presented frame
#   rss     peak resident set (VmHWM) just before the program is ended, MB
#   first   exec to the return of the first buffer swap, ms
# For velmora-web (bench/web_play.py) fps counts the page's presented frames, cpu and rss cover
# chromium's whole process tree, and first runs from navigation start on loopback.
# Velmora is kept playing: the splash is left and runs are started with held left clicks every
# couple of seconds, so each crash is followed by a new run. Only processes started here are
# ended, by PID. With PLAY_BENCH_SHOTS=folder a screenshot of each program is taken halfway
# through its measured window (the screenshot's own cost lands in that window). Prints one
# table, with ratios against the floor program of the same size.
#
# Usage: bench/play_bench.sh [-d seconds] [-s "640x480 1280x720 1920x1080"] [-r repeats]
#                            [-p "velmora floor chromium-bsu criticalmass velmora-web floor-web"]
#                            [-b build-dir] [-w site-dir]
# Two more programs help a diagnosis: velmora-noaa (the game with antialiasing=0) and
# floor-msaa (the floor program with four samples per pixel, as the shipped settings ask).
# velmora-web plays the site in site-dir, or one that scripts/build-web.sh builds first;
# floor-web (bench/web_floor.html) is its yardstick, a WebGL canvas cleared in every frame;
# velmora-web-noaa is the site with antialiasing=0 in its packed settings.ini; velmora-web-kept
# the site started a second time, its files served by its service worker (first is that start).
set -uo pipefail

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=$source_dir/build
duration=30
sizes="640x480 1280x720 1920x1080"
repeats=1
programs="velmora floor chromium-bsu criticalmass velmora-web floor-web"
site_dir=
click_every=1  # seconds between velmora's clicks: a run without steering lasts about 2 s
settle=2  # seconds of play before the measured window opens

while getopts "d:s:r:p:b:w:h" option; do
    case $option in
        d) duration=$OPTARG ;;
        s) sizes=$OPTARG ;;
        r) repeats=$OPTARG ;;
        p) programs=$OPTARG ;;
        b) build_dir=$OPTARG ;;
        w) site_dir=$OPTARG ;;
        *) sed -n '2,24p' "$0"; exit 2 ;;
    esac
done

build_dir=$(cd "$build_dir" 2>/dev/null && pwd) || { echo "no build folder" >&2; exit 1; }
velmora_bin=$build_dir/velmora
floor_bin=$build_dir/bench/velmora_floor
preload=$build_dir/bench/libswapcount.so
for needed in "$velmora_bin" "$floor_bin" "$preload"; do
    [ -e "$needed" ] || { echo "missing $needed (build the velmora, velmora_floor and swapcount targets)" >&2; exit 1; }
done
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 1; }
done

scratch=$(mktemp -d /tmp/velmora-play.XXXXXX)
xvfb_pid=
program_pid=
driver_pid=
server_pid=

end_pid() {  # end_pid PID: TERM, a moment to exit, then KILL; only ever a PID started here
    local pid=$1 i
    [ -n "$pid" ] || return 0
    kill -TERM "$pid" 2>/dev/null || return 0
    for ((i = 0; i < 30; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

cleanup() {
    end_pid "$driver_pid"
    end_pid "$program_pid"
    end_pid "$xvfb_pid"
    end_pid "$server_pid"
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_xvfb() {  # start_xvfb WIDTH HEIGHT: a private X server of that size; sets DISPLAY
    local fifo=$scratch/displayfd number
    rm -f "$fifo"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "$1x$2x24" -noreset -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    read -r -t 20 number <"$fifo" || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=:$number
}

# The counters the preload keeps: swaps, load time, first swap, latest swap, ns in swaps.
counter() { od -An -t d8 -j $(($1 * 8)) -N 8 "$2" 2>/dev/null | tr -d ' '; }

cpu_ticks() {  # utime + stime of a PID, in clock ticks
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || { echo 0; return; }
    stat=${stat##*) }
    read -r -a fields <<<"$stat"
    echo $((fields[11] + fields[12]))
}

now_ns() { local t=$EPOCHREALTIME; echo "${t/[.,]/}000"; }

peak_rss_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$1/status" 2>/dev/null || echo 0; }

# The shipped settings with the window size changed, as a player would set it; for a diagnosis,
# PLAY_BENCH_SET="antialiasing=0 mipmapping=0" changes further keys.
velmora_settings() {
    local edits=(-e "s/^screenw=.*/screenw=$1/" -e "s/^screenh=.*/screenh=$2/") pair
    for pair in ${PLAY_BENCH_SET-}; do edits+=(-e "s/^${pair%%=*}=.*/$pair/"); done
    sed "${edits[@]}" "$source_dir/settings.ini"
}

prepare() {  # prepare PROGRAM WIDTH HEIGHT DIR: working folder and HOME for one program
    local dir=$4
    rm -rf "$dir"
    mkdir -p "$dir/home"
    case $1 in
        velmora)
            cp -r "$source_dir/Media" "$dir/Media"
            velmora_settings "$2" "$3" >"$dir/settings.ini"
            ;;
        velmora-noaa)
            cp -r "$source_dir/Media" "$dir/Media"
            PLAY_BENCH_SET="${PLAY_BENCH_SET-} antialiasing=0" velmora_settings "$2" "$3" >"$dir/settings.ini"
            ;;
        chromium-bsu)
            printf 'screenWidth %d\nscreenHeight %d\nfull_screen 0\n' "$2" "$3" >"$dir/home/.chromium-bsu"
            ;;
        criticalmass)
            mkdir -p "$dir/home/.critter"
            printf 'set width %d\nset height %d\nset fullscreen false\nset allowAnyAspectRatio true\n' \
                "$2" "$3" >"$dir/home/.critter/config.txt"
            ;;
    esac
}

command_of() {  # the command line of a program at a size
    case $1 in
        velmora | velmora-noaa) echo "$velmora_bin" ;;
        floor) echo "$floor_bin $2 $3" ;;
        floor-msaa) echo "$floor_bin $2 $3 4" ;;
        chromium-bsu) echo "$(command -v chromium-bsu || echo /usr/games/chromium-bsu) -w" ;;
        criticalmass) echo "$(command -v criticalmass || echo /usr/games/criticalmass)" ;;
    esac
}

installed() {
    case $1 in
        velmora | velmora-noaa | floor | floor-msaa) return 0 ;;
        velmora-web | velmora-web-noaa | velmora-web-kept)
            command -v chromium >/dev/null && [ -n "$site_dir$(command -v emcc)" ] ;;
        floor-web) command -v chromium >/dev/null ;;
        *) command -v "$1" >/dev/null || [ -x "/usr/games/$1" ] ;;
    esac
}

click() {  # a held left click in the middle of the screen
    xdotool mousemove "$1" "$2" mousedown 1 2>/dev/null
    sleep 0.1
    xdotool mouseup 1 2>/dev/null
}

press() {  # a held key
    xdotool keydown "$1" 2>/dev/null
    sleep 0.1
    xdotool keyup "$1" 2>/dev/null
}

# Keeps a program playing: velmora leaves the splash and starts a run after every crash (a
# click during a run does nothing); the two peers are sent to a new game from their menus.
drive() {  # drive PROGRAM WIDTH HEIGHT
    local cx=$(($2 / 2)) cy=$(($3 / 2))
    case $1 in
        velmora | velmora-noaa) while true; do click "$cx" "$cy"; sleep "$click_every"; done ;;
        chromium-bsu) while true; do press Return; sleep 0.4; click "$cx" "$cy"; sleep 1.4; done ;;
        criticalmass)  # "New Game" sits at 38 % of the height; in play a click fires
            while true; do click "$cx" $(($3 * 38 / 100)); sleep 1.9; done ;;
        *) while true; do sleep 60; done ;;
    esac
}

site_url=
# The site (built first when no folder was given) and the floor page, served on a free loopback
# port for the whole run (from the main shell: each measurement runs in a subshell); sets
# site_url, under which they are site/ and floor/.
serve_site() {
    local www=$scratch/www
    mkdir -p "$www/floor" && cp "$source_dir/bench/web_floor.html" "$www/floor/index.html"
    if [ -n "$site_dir" ]; then
        cp -r "$site_dir" "$www/site"
    elif [[ " $programs " == *" velmora-web"* ]] && installed velmora-web; then
        echo "building the site ..." >&2
        "$source_dir/scripts/build-web.sh" "$www/site" >"$scratch/build-web.log" 2>&1 ||
            { tail -n 20 "$scratch/build-web.log" >&2; return 1; }
    fi
    if [ -d "$www/site" ]; then  # the same length of text, so the package's index still holds
        cp -r "$www/site" "$www/site-noaa"
        python3 -c 'import sys; f = open(sys.argv[1], "r+b"); d = f.read(); f.seek(0)
f.write(d.replace(b"antialiasing=1", b"antialiasing=0"))' "$www/site-noaa/velmora.data"
    fi
    python3 -u -m http.server --bind 127.0.0.1 -d "$www" 0 >"$scratch/server.out" 2>/dev/null &
    server_pid=$!
    for ((i = 0; i < 100; i++)); do
        site_url=$(grep -o 'http://127.0.0.1:[0-9]*/' "$scratch/server.out") && return 0
        sleep 0.1
    done
    return 1
}

measure_web() {  # measure_web PROGRAM: as measure, for a page at its own 640x480
    local shot=() page kept=()
    case $1 in
        velmora-web) page=site ;;
        velmora-web-noaa) page=site-noaa ;;
        velmora-web-kept) page=site kept=(--kept) ;;
        *) page=floor ;;
    esac
    [ -n "$site_url" ] || { echo "- - - - -"; return; }
    [ -z "${PLAY_BENCH_SHOTS-}" ] || shot=("$PLAY_BENCH_SHOTS/$1-640x480.png")
    python3 "$source_dir/bench/web_play.py" "${kept[@]}" "$site_url$page/" "$duration" "$settle" \
        "$click_every" "${shot[@]}" 2>"$scratch/$1.out" || echo "- - - - -"
}

measure() {  # measure PROGRAM WIDTH HEIGHT: prints "fps cpu x rss_mb first_ms" or "- - - - -"
    local name=$1 width=$2 height=$3 dir=$scratch/run counters=$scratch/counters
    case $name in *-web | *-web-*) measure_web "$name"; return ;; esac
    local exec_ns first_ns i
    prepare "$name" "$width" "$height" "$dir"
    start_xvfb "$width" "$height"
    rm -f "$counters"
    local cmd
    cmd=$(command_of "$name" "$width" "$height")
    (
        cd "$dir" || exit 1
        export HOME=$dir/home SWAPCOUNT_FILE=$counters LD_PRELOAD=$preload
        export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
        echo "$(now_ns)" >"$dir/exec_ns"
        # shellcheck disable=SC2086
        exec $cmd
    ) >"$scratch/$name.out" 2>&1 &
    program_pid=$!
    for ((i = 0; i < 300; i++)); do
        first_ns=$(counter 2 "$counters")
        [ -n "$first_ns" ] && [ "$first_ns" != 0 ] && break
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.05
    done
    exec_ns=$(cat "$dir/exec_ns")
    if [ -z "$first_ns" ] || [ "$first_ns" = 0 ]; then
        end_pid "$program_pid"; program_pid=
        end_pid "$xvfb_pid"; xvfb_pid=
        echo "- - - - -"
        return
    fi
    drive "$name" "$width" "$height" &
    driver_pid=$!
    sleep "$settle"
    local t0 s0 c0 x0 t1 s1 c1 x1 rss
    t0=$(now_ns); s0=$(counter 0 "$counters"); c0=$(cpu_ticks "$program_pid"); x0=$(cpu_ticks "$xvfb_pid")
    if [ -n "${PLAY_BENCH_SHOTS-}" ] && command -v import >/dev/null; then
        sleep "$(awk -v d="$duration" 'BEGIN { print d / 2 }')"
        import -window root "$PLAY_BENCH_SHOTS/$name-${width}x$height.png" 2>/dev/null
        sleep "$(awk -v d="$duration" 'BEGIN { print d / 2 }')"
    else
        sleep "$duration"
    fi
    t1=$(now_ns); s1=$(counter 0 "$counters"); c1=$(cpu_ticks "$program_pid"); x1=$(cpu_ticks "$xvfb_pid")
    rss=$(peak_rss_kb "$program_pid")
    local alive=1
    kill -0 "$program_pid" 2>/dev/null || alive=0
    end_pid "$driver_pid"; driver_pid=
    end_pid "$program_pid"; program_pid=
    end_pid "$xvfb_pid"; xvfb_pid=
    if [ "$alive" = 0 ]; then
        echo "- - - - -"
        return
    fi
    local hz
    hz=$(getconf CLK_TCK)
    awk -v s=$((s1 - s0)) -v t=$((t1 - t0)) -v c=$((c1 - c0)) -v x=$((x1 - x0)) -v hz="$hz" \
        -v rss="$rss" -v first=$((first_ns - exec_ns)) 'BEGIN {
        w = t / 1e9
        printf "%.1f %.2f %.2f %.0f %.0f\n", s / w, c / hz / w, x / hz / w, rss / 1024, first / 1e6 }'
}

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ v[NR] = $1 } END {
    if (NR == 0) { print "-"; exit }
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
minimum() { tr ' ' '\n' | grep -v '^$' | sort -g | head -n 1; }

declare -A results
if [[ " $programs " == *-web* ]] && installed floor-web; then
    serve_site || echo "no site to serve for velmora-web" >&2
fi
for ((r = 1; r <= repeats; r++)); do
    for size in $sizes; do
        width=${size%x*} height=${size#*x}
        for name in $programs; do
            installed "$name" || continue
            case $name in *-web | *-web-*) [ "$size" = 640x480 ] || continue ;; esac  # fixed canvas
            echo "run $r/$repeats: $name at $size ..." >&2
            line=$(measure "$name" "$width" "$height")
            results[$name,$size]+="$line;"
        done
    done
done

column_of() {  # column_of NAME SIZE INDEX STAT: the median (or minimum) of one column
    local runs=${results[$1,$2]-} values=
    IFS=';' read -r -a lines <<<"$runs"
    for line in "${lines[@]}"; do
        read -r -a f <<<"$line"
        [ "${f[$3]-"-"}" != "-" ] && values+="${f[$3]} "
    done
    [ -z "$values" ] && { echo "-"; return; }
    echo "$values" | "$4"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b == 0) print "-"; else printf "%.2f", a / b }'; }
delta() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-") print "-"; else printf "%+.0f", a - b }'; }

echo
echo "Play benchmark: $duration s per program and size, $repeats run(s), medians; first frame"
echo "also as the best of the runs. $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores,"
echo "load average $(cut -d' ' -f1-3 /proc/loadavg) at the end."
echo
printf '%-16s %-9s %6s %5s %5s %5s %6s %6s | %5s %5s %5s %7s\n' \
    program size fps cpu x rss first best fps/f cpu/f rss/f first-f
for size in $sizes; do
    f_fps=$(column_of floor "$size" 0 median)
    f_cpu=$(column_of floor "$size" 1 median)
    f_rss=$(column_of floor "$size" 3 median)
    f_first=$(column_of floor "$size" 4 median)
    for name in $programs; do
        [ -n "${results[$name,$size]-}" ] || continue
        fps=$(column_of "$name" "$size" 0 median)
        cpu=$(column_of "$name" "$size" 1 median)
        x=$(column_of "$name" "$size" 2 median)
        rss=$(column_of "$name" "$size" 3 median)
        first=$(column_of "$name" "$size" 4 median)
        best=$(column_of "$name" "$size" 4 minimum)
        printf '%-16s %-9s %6s %5s %5s %5s %6s %6s | %5s %5s %5s %7s\n' "$name" "$size" \
            "$fps" "$cpu" "$x" "$rss" "$first" "$best" "$(ratio "$fps" "$f_fps")" \
            "$(ratio "$cpu" "$f_cpu")" "$(ratio "$rss" "$f_rss")" "$(delta "$first" "$f_first")"
    done
done
