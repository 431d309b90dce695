# Is a screenshot taken at about 30 s of the default track gentle or full? For the tests that
# watch a build play with gentle flashes or without them. There, in a loud passage (the inside
# shot), gentle holds its dimmer loud picture, lit a little on each beat, while the full demo
# flashes white on each beat and is dark between them, so the two kinds of frame differ whatever
# beat the screenshot meets, and even when the sound, which the banner follows, lags the clock by a
# few hundred ms: the right kind scores 28 to 43 dB (best_matching_frame.sh; a gentle one caught in
# a beat's glow, which the reference frames 100 ms apart may miss, 28 to 31), the other 12 to 14.
#
# Sourced, after checks.sh and live_demo.sh: gentle_reference_frames, expect_gentle, expect_full.
# Run, for the browser tests:
#   gentle_frames.sh reference DIR COMMAND...   as gentle_reference_frames
#   gentle_frames.sh judge SCREENSHOT DIR       prints "KIND GENTLE_DB GENTLE_MS FULL_DB FULL_MS",
#                                               KIND gentle, full or neither
gentle_frames_support=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# demo-capture's frames from 27 to 33 s, 100 ms apart, with --gentle into DIR/gentle and without
# into DIR/full, from the data in DIR/data. COMMAND runs demo-capture (its path, or a command
# that runs it as another user).
gentle_reference_frames() { # DIR COMMAND...
    local dir=$1 kind
    shift
    for kind in gentle full; do
        (cd "$dir" && "$@" --quiet $([ "$kind" = gentle ] && echo --gentle) --from 27000 --to 33000 \
            --fps 10 -o "$kind/") || return 1
    done
}

# The best match of a 1024 x 768 screenshot among either kind, and which kind it is: gentle
# when a gentle frame scores 22 dB or more and 4 more than any full one, full the other way round.
judge_gentle_or_full() { # SCREENSHOT DIR
    local gentle_db gentle_ms full_db full_ms kind
    read -r gentle_db gentle_ms _ < <("$gentle_frames_support/best_matching_frame.sh" "$1" \
        "$2/gentle" 1024:768:0:0 27000 100)
    read -r full_db full_ms _ < <("$gentle_frames_support/best_matching_frame.sh" "$1" "$2/full" \
        1024:768:0:0 27000 100)
    kind=$(awk -v g="$gentle_db" -v f="$full_db" 'BEGIN {
        print (g >= 22 && g >= f + 4) ? "gentle" : (f >= 22 && f >= g + 4) ? "full" : "neither" }')
    echo "$kind $gentle_db $gentle_ms $full_db $full_ms"
}

# Passes when one of WHAT's screenshots is of the KIND wanted. On a loud beat the full demo's
# banner jumps by as much as the level rises, so its frame changes fast, and a screenshot between
# two reference frames 100 ms apart can match none of them: a few screenshots, less than a beat
# apart, give it another beat's phase. A gentle picture scores alike in each, and a broken one in
# none.
expect_kind() { # KIND SCREENSHOT DIR WHAT [SCREENSHOT...]
    local want=$1 dir=$3 what=$4 shot kind gentle_db gentle_ms full_db full_ms scores=""
    for shot in "$2" "${@:5}"; do
        read -r kind gentle_db gentle_ms full_db full_ms < <(judge_gentle_or_full "$shot" "$dir")
        scores+="${scores:+; }best gentle frame $gentle_db dB at $gentle_ms ms, best full one $full_db dB at $full_ms ms"
        if [ "$kind" = "$want" ]; then
            pass "$what shows the $want flashes ($scores; screenshot at $shot_at-$shot_taken s)"
            return 0
        fi
    done
    fail "$what does not show the $want flashes ($scores; screenshot at $shot_at-$shot_taken s)"
    cp "$2" "${TMPDIR:-/tmp}/$checks_name-not-$want.png" && echo "  the screenshot is in ${TMPDIR:-/tmp}/$checks_name-not-$want.png"
}
expect_gentle() { expect_kind gentle "$@"; } # SCREENSHOT DIR WHAT [SCREENSHOT...]
expect_full() { expect_kind full "$@"; }     # SCREENSHOT DIR WHAT [SCREENSHOT...]

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -eu
    case "${1:-}" in
    reference) shift && gentle_reference_frames "$@" ;;
    judge)
        [ $# -eq 3 ] || exit 2
        judge_gentle_or_full "$2" "$3"
        ;;
    *) echo "usage: gentle_frames.sh reference DIR COMMAND... | judge SCREENSHOT DIR" >&2 && exit 2 ;;
    esac
fi
