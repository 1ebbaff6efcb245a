# The end-to-end cases every platform shares, written once: each platform's driver (the desktop
# test_desktop.sh, the browser test_web.sh, the browser by touch test_web_mobile.sh, Windows
# under Wine tests/windows/test_wine.sh) defines the verbs below, calls shared_cases and keeps
# its own cases. They catch on any platform: a screen unlike the desktop's reference pictures
# (colours swapped, a picture missing or black, the overlay, its buttons or the pointer out of
# place); a splash that never goes or goes at once; steering the wrong way or not at all by any
# input; clicks that miss the overlay's buttons; a high score lost or kept in another form;
# broken Media that stop the game or draw black; music never heard, or heard without a file;
# "Exit" that does not end the game. The verbs: game_start and game_end (as its player ends it, failing unless cleanly); frames,
# since_first (ms since the first), after_frames COUNT; shot FILE (640 x 480); click X Y (the
# left button over two frames), move X Y, hold KEY FRAMES, pause_key (Escape or what stands for
# it); stored_score (or "none"), store_score TEXT and new_player, for the next game_start;
# break_media missing|corrupt; sounds loud|silent; exited (as "Exit" ends the game); STEERING,
# lines "name way command...", way 1 right or -1 left, from a run's start.

CLOCK="300,18 639,57"  # the pause overlay's date and time, which change from look to look

# alike NAME [rectangles...]: the shot $T/NAME.png agrees with the reference picture NAME.
alike() { alike_pictures "$REFERENCE/$1.png" "$T/$1.png" "$T/$1-reference-here.png" "$@"; }
high_line() { convert "$1" -crop 120x17+132+404 +repage "$2"; }  # the high score's digits
start_run() { wait_crash && click 320 240 && wait_screen run 5; }
leave_splash() { click 600 300 && wait_screen ready 10; }

# Left alone, the splash gives way to the ready screen about 5 s after the first frame: the last
# look at the splash began 3 s in or later, the first at the ready screen ended 4 s in or later
# (a look shows a frame from anywhere within it), before 9 s. A start whose looks skipped all
# of 3 to 4 s (a loaded machine) tells nothing either way and is made again.
case_splash() {
    local try at last_splash first_ready first
    for try in 1 2 3; do
        game_start || { fail "the game starts and presents frames"; return; }
        last_splash=-1 first_ready= first=
        while [ -z "$first_ready" ] && at=$(since_first) && ((at < 9000)) && shot "$T/look.png"; do
            first=${first:-$(screen_of "$T/look.png")}
            case $(screen_of "$T/look.png") in
                splash) last_splash=$at && cp "$T/look.png" "$T/splash.png" ;;
                ready) first_ready=$(since_first) ;;
            esac
        done
        echo "    splash seen until $last_splash ms, the ready screen from ${first_ready:--} ms"
        ((last_splash >= 3000)) || ((${first_ready:-0} < 4000)) || [ "$first" != splash ] && break
        game_end
    done
    check "the splash shows first" [ "$first" = splash ]
    check "the splash looks as on the desktop" alike splash
    check "the ready screen follows by itself about five seconds in" \
        eval '((last_splash >= 3000 && ${first_ready:-0} >= 4000))'
}

# From the ready screen: the ready screen, the pause overlay and the pointer as on the desktop.
case_screens() {
    move 600 300 && after_frames 3 && shot "$T/ready.png"
    check "the ready screen, its score panel and the pointer look as on the desktop" alike ready
    pause_key && after_frames 25 && shot "$T/pause.png"
    check "the pause overlay slides in, as on the desktop" alike pause "$CLOCK"
    click 320 115 && after_frames 25
    check "Resume game slides it out" shows ready
}

# steers NAME WAY COMMAND...: from a run's start, COMMAND moves the craft WAY by 10 columns or
# more. A try spoiled by a crash or a pillar in the craft's rows is made again; a craft that
# steers the wrong way fails every time.
steers() {
    local try x0 x1
    for try in 1 2 3; do
        start_run && shot "$T/s0.png" && "${@:3}" && shot "$T/s1.png" || continue
        [ "$(screen_of "$T/s0.png")$(screen_of "$T/s1.png")" = runrun ] || continue
        x0=$(craft_x "$T/s0.png") x1=$(craft_x "$T/s1.png")
        echo "    $1: craft from column $x0 to $x1"
        (((x1 - x0) * $2 >= 10)) && return
    done
    return 1
}

# From the ready screen with no high score stored: runs move, steer every way the platform
# steers and crash by themselves, and the crash keeps the run's score as the high score.
case_run() {
    local name way command
    high_line "$T/ready.png" "$T/high-0.png"
    start_run && shot "$T/run1.png" && after_frames 10 && shot "$T/run2.png"
    check "a click starts a run that moves" eval '! same "$T/run1.png" "$T/run2.png"'
    check "the music plays" sounds loud
    while read -r name way command; do
        check "$name steers the craft $( ((way > 0)) && echo right || echo left)" \
            steers "$name" "$way" $command
    done <<<"$STEERING"
    check "a crash returns to the ready screen" wait_crash
    high_line "$T/now.png" "$T/high-1.png"
    check "which shows the run's score as the high score" eval '! same "$T/high-0.png" "$T/high-1.png"'
    check "the high score is stored, one number: $(stored_score)" \
        eval '[[ "$(stored_score)" =~ ^[1-9][0-9]*$ ]]'
}

# The next start reads the stored high score back (never lowered, junk as 0: the unit tests').
case_high_score_kept() {
    game_end && game_start && leave_splash && high_line "$T/now.png" "$T/high-2.png"
    check "a new start shows the stored high score" same "$T/high-1.png" "$T/high-2.png"
}

# pad CONTROLS... FRAMES: the pad holds them over FRAMES, then lets go for two.
pad() { pad_set "${@:1:$#-1}" && after_frames "${@: -1}" && pad_set && after_frames 2; }

# Pulled out while it holds left on the ready screen, the pad lets go: the run started next
# goes straight, the craft in the middle columns (a held left takes it 10 or more aside, and
# keeps it there at the steering limit). A try spoiled by a crash is made again.
lets_go() {
    local try x0 x1
    for try in 1 2 3; do
        wait_crash && pad_set left && after_frames 3 && pad_unplug && after_frames 3 &&
            start_run && shot "$T/s0.png" && after_frames 20 && shot "$T/s1.png" || continue
        [ "$(screen_of "$T/s0.png")$(screen_of "$T/s1.png")" = runrun ] || continue
        x0=$(craft_x "$T/s0.png") x1=$(craft_x "$T/s1.png")
        echo "    pulled out: craft from column $x0 to $x1"
        ((x0 > 309 && x0 < 329 && x1 > 309 && x1 < 329)) && return
    done
    return 1
}

# A pad alone, plugged in once the game runs: south leaves the splash and starts runs, Start
# pauses with the pointer on "Resume game", down and up choose, East resumes, the stick and
# the d-pad steer; pulled out, it lets go; plugged in again, south presses "Exit".
case_pad() {
    game_start && after_frames 5 && pad south 3  # long before the splash's 5 s are over
    check "a pad plugged in after the start leaves the splash with its south button" shows ready
    pad start 3 && after_frames 25 && shot "$T/pad-resume.png"
    check "Start pauses, the pointer on Resume game, as on the desktop" alike pad-resume "$CLOCK"
    pad down 3 && shot "$T/pad-exit.png"
    check "down chooses Exit, as on the desktop" alike pad-exit "$CLOCK"
    pad up 3 && pad east 3 && after_frames 25
    check "up and East resume the game" shows ready
    pad south 3
    check "south starts a run" wait_screen run 10
    check "the stick steers the craft left" steers stick -1 pad left 20
    check "the d-pad steers the craft right" steers d-pad 1 pad dright 20
    check "a pad pulled out lets go of the stick" lets_go
    pad start 3 && after_frames 25 && pad down 3 && pad_set south && after_frames 2
    check "plugged in again, it chooses and presses Exit" exited
}

# "Exit" on the pause overlay ends the game; it acts as the button goes down.
case_exit() {
    pause_key && after_frames 25 && click 320 165
    check "Exit ends the game" exited
}

# Every picture and the music missing, or all but their first bytes zeroed: the game runs,
# silent, its pictures white as texture 0 draws, and the stored high score stays.
case_broken_media() {
    new_player && store_score 4321 && break_media "$1" && game_start && after_frames 10 &&
        shot "$T/broken.png"
    check "$1 Media: the game starts, its pictures drawn white, not black" \
        eval '(($(convert "$T/broken.png" -colorspace gray -format "%[fx:int(100*mean)]" info:) >= 95))'
    click 320 240 && hold a 2 && click 320 240
    check "$1 Media: frames go on after a click, A and a click" after_frames 30
    check "$1 Media: in silence" sounds silent
    check "$1 Media: the game ends cleanly, the high score kept" \
        eval 'game_end && [ "$(stored_score)" = 4321 ]'
}

shared_cases() {
    new_player
    case_splash
    case_screens
    case_run
    case_high_score_kept
    case_exit
    ! declare -F pad_set >/dev/null || case_pad  # where the driver can make a pad
    case_broken_media missing
    case_broken_media corrupt
}
