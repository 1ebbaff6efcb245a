# The end-to-end cases every platform shares, written once: each platform's driver (the desktop
# test_desktop.sh, the browser test_web.sh, the browser by touch test_web_mobile.sh, Windows
# under Wine tests/windows/test_wine.sh) defines the verbs below, calls shared_cases and keeps
# its own cases. They catch on any platform: a screen unlike the desktop's reference pictures
# (colours swapped, a picture missing or black, the overlay, its buttons or the pointer out of
# place); a splash that never goes or goes at once; steering the wrong way or not at all by any
# input; clicks that miss the overlay's buttons; a crash that keeps no high score or keeps it in
# another form; a stored high score lost, lowered or read from junk; broken Media that stop the
# game or draw black; music never heard, or heard without a file; "Exit" that does not end it.
#
# The verbs:
#   game_start, game_end   start the game on the player's files and wait for its frames; end it
#                          as its player would (the window closed), failing unless cleanly
#   frames, since_first    frames presented so far; milliseconds since the first
#   after_frames COUNT     wait for COUNT more frames, or the game's end
#   shot FILE              the game's picture, 640 x 480
#   click X Y, move X Y    the left button at that pixel over two frames (a tap); the pointer
#   hold KEY FRAMES        a key held that long
#   pause_key              Escape, or what stands for it (the pause button on a touch screen)
#   stored_score           the high score as stored, or "none"
#   store_score TEXT       that stored as the high score, for the next game_start
#   new_player             the player's files as a new player has them
#   break_media missing|corrupt   every picture and the music, for the next game_start
#   sounds loud|silent     the game's sound (since its start, or over the last second)
#   exited                 after "Exit": the game has ended as "Exit" ends it
#   STEERING               lines "name way command...": the command steers from a run's start
#                          and lets go; way 1 right, -1 left

CLOCK="300,18 639,57"  # the pause overlay's date and time, which change from look to look

# alike NAME [rectangles...]: the shot $T/NAME.png agrees with the reference picture NAME.
alike() { alike_pictures "$REFERENCE/$1.png" "$T/$1.png" "$T/$1-reference-here.png" "$@"; }
high_line() { convert "$1" -crop 120x17+132+404 +repage "$2"; }  # the high score's digits
start_run() { wait_crash && click 320 240 && wait_screen run 5; }
leave_splash() { click 600 300 && wait_screen ready 10; }

# Left alone, the splash gives way to the ready screen by itself about five seconds after the
# game's first frame. Looks are taken until then: the last at the splash must have begun 3 s in
# or later, the first at the ready screen have ended 4 s in or later (a look takes a while on a
# loaded machine, and shows a frame from somewhere within it), and the ready screen come before
# 9 s. A start whose looks skipped the whole of 3 to 4 s tells nothing either way and is made
# again.
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

# steers NAME WAY COMMAND...: from a run's start, COMMAND moves the craft's picture WAY (1
# right, -1 left) by 10 columns or more. A try that a crash spoils, or a pillar passing through
# the craft's rows pulls aside, is made again: a craft that truly steers the wrong way fails
# every time.
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

# The stored high score across starts: shown again, never lowered, and junk read as 0.
case_high_score_kept() {
    game_end && game_start && leave_splash && high_line "$T/now.png" "$T/high-2.png"
    check "a new start shows the stored high score" same "$T/high-1.png" "$T/high-2.png"
    game_end && store_score 99999 && game_start && leave_splash && start_run
    check "a run that does not beat the stored high score leaves it as it was" \
        eval 'wait_crash && [ "$(stored_score)" = 99999 ]'
    game_end && store_score "no number" && game_start && leave_splash
    high_line "$T/now.png" "$T/high-3.png"
    check "a stored high score that is no number reads as 0" same "$T/high-0.png" "$T/high-3.png"
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
    case_broken_media missing
    case_broken_media corrupt
}
