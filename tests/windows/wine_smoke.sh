#!/usr/bin/env bash
# Runs a Windows zip of the demo under Wine, unpacked as a user would unpack it, on an Xvfb of its
# own, and checks what the user sees.
#   tests/windows/wine_smoke.sh ZIP DEMO_CAPTURE
# ZIP: dist/demo-windows-x86_64.zip or -i686.zip. DEMO_CAPTURE: the native demo-capture, which
# renders the reference frames from the zip's own data and says which version the programs must
# carry; the native make-data beside it draws the icon they must carry (build/tools/: the test
# command builds both, and so does "cmake --build build --target demo-capture make-data").
#
# Wine's exit code alone proves nothing (a Wine that cannot run the program at all may still
# return 0), so every run is also judged by what Windows shows: the probe (window_probe.c,
# built here with mingw-w64) asks Windows for the window, the display mode and the boxes.
set -u
[ $# -eq 2 ] || { echo "usage: wine_smoke.sh ZIP DEMO_CAPTURE" >&2; exit 2; }
zip=$(realpath "$1")
capture=$(realpath "$2")
make_data=$(dirname "$capture")/make-data
[ -x "$make_data" ] || { echo "wine_smoke: no make-data beside $capture" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
match=$here/../support/best_matching_frame.sh
. "$here/../support/checks.sh" smoke
. "$here/../support/live_demo.sh"
. "$here/../support/gentle_frames.sh"
. "$here/../support/wine_loader.sh"

work=$(mktemp -d /tmp/wine-smoke-XXXXXX)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    [ -d "$work/prefix" ] && WINEPREFIX=$work/prefix wineserver -k 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# --- What the zip holds -----------------------------------------------------------------------
unzip -q "$zip" -d "$work/unpacked" || stop "cannot unpack $zip"
app=$(find "$work/unpacked" -name demo.exe -printf '%h\n' | head -n 1)
[ -n "$app" ] || stop "no demo.exe in $zip"
meshes=(figure inside sphere1 sphere2 star)
data_files=(music.ogg city_bw.jpg city_bw1.jpg logo1.jpg texture3.jpg texture5.jpg texture6.jpg
    texture7.jpg credits.jpg "${meshes[@]/%/.obj}")
missing=()
for file in "${data_files[@]}"; do [ -s "$app/data/$file" ] || missing+=("$file"); done
[ -s "$app/README.txt" ] || missing+=(README.txt)
[ -s "$app/demo-desktop.exe" ] || missing+=(demo-desktop.exe)
[ ${#missing[@]} -eq 0 ] && pass "the zip holds demo.exe, demo-desktop.exe, README.txt and the 14 data files" ||
    fail "the zip lacks: ${missing[*]}"
cp -R "$app/data" "$work/original-data"
grep -q "^demo-desktop.exe .*desktop's own resolution" "$app/README.txt" &&
    grep -q "^demo.exe .*1024 x 768" "$app/README.txt" &&
    pass "README.txt says which program is which" || fail "README.txt does not tell the two programs apart"
# The warning comes before anything else it says, and names the gentle way.
tr -d '\r' <"$app/README.txt" | awk 'NF && !/^(Demo |=+$|A real-time)/ { print; exit }' |
    grep -q "^WARNING: FLASHING LIGHT\." && grep -q "^ *demo-desktop.exe --gentle" "$app/README.txt" &&
    grep -q 'Animation effects' "$app/README.txt" &&
    pass "README.txt opens with the flashing warning, and says how to play gently (--gentle, Windows' animation effects)" ||
    fail "README.txt does not open with the flashing warning and the gentle way"

case "$(x86_64-w64-mingw32-objdump -f "$app/demo.exe" | awk '/file format/ {print $NF}')" in
pei-x86-64) triple=x86_64-w64-mingw32 ;;
pei-i386) triple=i686-w64-mingw32 ;;
*) stop "demo.exe is no Windows program" ;;
esac
# The icon the programs must carry, as make-data draws it; icotool unpacks an icon file into one
# PNG per image, so that two icons compare image by image.
"$make_data" --icons "$work/icon" >/dev/null && icotool -x -o "$work/icon" "$work/icon/demo.ico" ||
    stop "make-data could not draw the icon"
expected_icons=$(cd "$work/icon" && ls demo_*.png)
carries_icon() { # PROGRAM
    local dir=$work/icon-$1 image
    mkdir -p "$dir"
    wrestool -x --type=group_icon "$app/$1" >"$dir/demo.ico" && icotool -x -o "$dir" "$dir/demo.ico" &&
        [ "$(cd "$dir" && ls demo_*.png)" = "$expected_icons" ] || return 1
    for image in $expected_icons; do cmp -s "$work/icon/$image" "$dir/$image" || return 1; done
}
# Windows' own DLLs only: no C++ runtime, no winpthread, no SDL2.dll beside it.
windows_dlls='^(kernel32|user32|gdi32|opengl32|glu32|msvcrt|advapi32|imm32|ole32|oleaut32|setupapi|shell32|version|winmm)\.dll$'
for program in demo.exe demo-desktop.exe; do
    headers=$("$triple-objdump" -p "$app/$program")
    grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" && pass "$triple $program is a GUI-subsystem program" ||
        fail "$program is not a GUI-subsystem program"
    imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers")
    foreign=$(grep -v -E "$windows_dlls" <<<"$imports")
    [ -n "$imports" ] && [ -z "$foreign" ] && pass "$program imports only Windows' own DLLs ($(echo $imports))" ||
        fail "$program imports DLLs that Windows does not have: $(echo $foreign)"
    # Its manifest, read back as Windows finds it (resource type 24, number 1): per-monitor DPI
    # aware, so that a scaled desktop never has Windows stretch a smaller picture. Wine itself
    # treats every program as per-monitor aware, so only the resource can tell.
    awareness=$(wrestool -x --raw --type=24 --name=1 "$app/$program" 2>/dev/null |
        grep -o '<dpiAwareness[^>]*>[^<]*</dpiAwareness>' || true)
    [[ "$awareness" == *">PerMonitorV2, PerMonitor<"* ]] &&
        pass "$program's manifest declares per-monitor DPI awareness" ||
        fail "$program has no manifest declaring per-monitor DPI awareness: '$awareness'"
    # Its icon, read back from its resources: every image the same as make-data's.
    if carries_icon "$program"; then
        pass "$program carries make-data's icon, all $(echo $expected_icons | wc -w) images the same"
    else
        fail "$program's icon is not make-data's ($(cd "$work/icon-$program" && echo $(ls demo_*.png 2>/dev/null)))"
    fi
done

# --- Wine on a display of its own --------------------------------------------------------------
# Starts an Xvfb of the given size and makes it the display.
start_xvfb() {
    start_own_xvfb "$1" "$work/display-$1"
    local status=$?
    pids+=("$xvfb")
    return "$status"
}
start_xvfb 1024x768x24 || stop "Xvfb did not start"
export WINEPREFIX=$work/prefix WINEDEBUG=-all SDL_AUDIODRIVER=dummy
# No Mono or Gecko installer: the demo needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
use_wine_loader_of "$app/demo.exe" || stop "no Wine loader for $triple programs"
timeout 180 "$wine" wineboot.exe -i >"$work/wineboot.log" 2>&1 || stop "wineboot failed: $(tail -n 3 "$work/wineboot.log")"

"$triple-gcc" -O2 -Wall -Wextra -Werror -o "$work/window-probe.exe" "$here/window_probe.c" -lversion ||
    stop "cannot build the probe"
probe() { (cd "$app" && timeout 30 "$wine" "$work/window-probe.exe" "$@" 2>/dev/null | tr -d '\r'); }
# Ends this prefix's Wine and starts it again on the current display, its services kept up until
# the next restart (-p), and the probe's display in `display`. The services (the device drivers,
# the desktop) inherit the standard error of the program whose start brings them up: the probe
# starts them here, so that what they print never lands in a demo's. In CI, Wine's ntoskrnl once
# crashed while they started, and its "Unhandled page fault" came before a demo's one-line message.
restart_wine() {
    wineserver -k 2>/dev/null
    wineserver -w
    wineserver -p
    display=$(probe display)
}
restart_wine
[ "$display" = "display 1024x768x32" ] && pass "Wine runs $triple programs ($display)" ||
    stop "Wine cannot run a $triple program (the probe said '$display'; for i686, is wine32 installed?)"

# The version resource and the icon as Windows reads them (Explorer's Properties, the taskbar).
version=$("$capture" --version | awk '{print $2}')
for program in demo.exe demo-desktop.exe; do
    [ "$program" = demo.exe ] && description="Demo, full screen at 1024 x 768" ||
        description="Demo, full screen at the desktop's own resolution"
    got=$(probe version "$program")
    [ "$got" = "version file=$version.0 product=$version.0 name=Demo productversion=$version fileversion=$version description=$description" ] &&
        pass "Windows reads $program's version resource: $got" ||
        fail "$program's version resource is not version $version of '$description': $got"
    [ "$(probe icons "$program")" = "icons 1" ] && pass "Windows finds $program's icon" ||
        fail "Windows finds no icon in $program: $(probe icons "$program")"
done

size() { stat -c %s "$1"; }

# Starts a program of the zip (demo.exe unless named) from its folder, as a double click does, or
# with arguments as from a command prompt or a shortcut.
start_demo() { # NAME [PROGRAM [ARGUMENT...]]
    local name=$1 program=${2:-demo.exe}
    shift $(($# > 1 ? 2 : 1))
    (cd "$app" && exec "$wine" "$program" "$@" 2>"$work/stderr-$name") &
    demo=$!
    pids+=("$demo")
}
# Waits up to $1 seconds for the demo to end and checks that it ended with 0.
expect_exit_zero() {
    local what=$2
    for _ in $(seq 1 $(($1 * 10))); do
        if ! kill -0 "$demo" 2>/dev/null; then
            wait "$demo"
            local status=$?
            [ "$status" -eq 0 ] && pass "$what: the demo ended with exit code 0" ||
                fail "$what: the demo ended with exit code $status"
            return
        fi
        sleep 0.1
    done
    fail "$what: the demo was still running $1 s later"
    kill -9 "$demo" 2>/dev/null
}
# Renders demo-capture's frames 50 ms apart for the four seconds from FROM_MS, from the zip's own
# data, into DIR.
reference_frames() { # DIR FROM_MS [CAPTURE OPTIONS]
    local dir=$1 from=$2
    shift 2
    mkdir -p "$dir"
    cp -R "$work/original-data" "$dir/data"
    (cd "$dir" && "$capture" --quiet "$@" --from "$from" --to $((from + 4000)) --fps 20 -o frames/ 2>&1)
}

# How many line ends were appended to each mesh since the zip was unpacked, or "changed".
appended() {
    local mesh file original extra
    for mesh in "${meshes[@]}"; do
        file=$app/data/$mesh.obj original=$work/original-data/$mesh.obj
        if ! cmp -s -n "$(size "$original")" "$original" "$file"; then
            printf '%s:changed ' "$mesh"
            continue
        fi
        extra=$(tail -c +"$(($(size "$original") + 1))" "$file" | od -An -c | tr -d ' \n')
        # Windows' text mode writes a line end as CR LF.
        extra=${extra//\\r\\n/L}
        extra=${extra//\\n/L}
        [ -z "${extra//L/}" ] && printf '%s:%d ' "$mesh" "${#extra}" || printf '%s:changed ' "$mesh"
    done
}

# --- 1. The whole path: window, the intro at 6 s, Escape --------------------------------
note_mesh_sizes "$app/data"
start_demo run
started=$(now)
wait_for_window Demo 60 && pass "a window titled Demo appeared after $(since "$started") s" ||
    stop "no window titled Demo: $(tail -n 5 "$work/stderr-run")"
window=$(probe window)
[ "$window" = "window class=OpenGL title=Demo style=popup classstyle=0x23 rect=0,0,1024x768" ] &&
    pass "Windows sees it as class OpenGL, a pop-up covering the screen ($window)" ||
    fail "the window is not what Windows should see: $window"
display=$(probe display)
[ "$display" = "display 1024x768x32" ] && pass "the display runs at 1024 x 768, 32 bits per pixel" ||
    fail "the display is not at 1024 x 768 x 32: $display"

wait_until_loaded "$app/data" || stop "the scenes never finished loading"
pass "every scene had loaded $(since "$started") s after the start"

# The frame at about 6 s on the timeline, against demo-capture's frames around that instant: in
# the intro, since the banner flashes white for a few tens of ms on the track's loud beats, and the
# screenshot's instant is known only to tenths of a second.
screenshot_at 6 1024x768 "$work/shot.png"
kill -0 "$demo" 2>/dev/null && pass "still running at $shot_taken s on the timeline" ||
    stop "the demo ended on its own before Escape: $(tail -n 5 "$work/stderr-run")"
xdotool key Escape
expect_exit_zero 15 "Escape"
grew=$(appended)
[ "$grew" = "figure:1 inside:1 sphere1:1 sphere2:1 star:2 " ] &&
    pass "each mesh grew by one line end per load ($grew)" || fail "the meshes grew wrongly: $grew"

# The spheres move quickly: take the best match among frames 50 ms apart from 4 to 8 s, in the
# middle half of the window.
reference_frames "$work/reference" 4000 || stop "demo-capture could not render the reference frames"
read -r best_db best_ms frames < <("$match" "$work/shot.png" "$work/reference/frames" 512:384:256:192 4000 50)
if [ "$frames" -eq 80 ] && awk -v d="$best_db" 'BEGIN { exit !(d >= 20) }'; then
    pass "the middle of the picture at $shot_at-$shot_taken s matches demo-capture's frame of $best_ms ms ($best_db dB, 20 needed)"
else
    fail "the middle of the picture matches no frame from 4 to 8 s (best: $best_db dB at $best_ms ms of $frames frames, 20 needed)"
    cp "$work/shot.png" "${TMPDIR:-/tmp}/wine-smoke-shot.png" && echo "  the screenshot is in ${TMPDIR:-/tmp}/wine-smoke-shot.png"
fi

# --- 2. Without the music: the box, answered, and a quiet end ----------------------------------
mv "$app/data/music.ogg" "$work/music.ogg"
cp "$app"/data/*.obj "$work/" # the meshes as they are now
start_demo missing-track
wait_for_window Error 60 && pass "without data/music.ogg a box titled Error appeared" ||
    stop "without data/music.ogg no box appeared: $(tail -n 5 "$work/stderr-missing-track")"
box=$(probe box)
[ "$box" = "box class=#32770 caption=Error text=Music opening error" ] &&
    pass "Windows shows it as a message box: $box" || fail "the box is not the expected one: $box"
tr -d '\r' <"$work/stderr-missing-track" | grep -qx "Error: Music opening error" &&
    pass "the same message went to standard error" || fail "no 'Error: Music opening error' line on standard error"
# Without a window manager Return does not reach the box under Wine; Escape answers it too.
xdotool key Escape
expect_exit_zero 15 "the box answered"
unchanged=1
for mesh in "${meshes[@]}"; do cmp -s "$work/$mesh.obj" "$app/data/$mesh.obj" || unchanged=0; done
[ "$unchanged" -eq 1 ] && pass "no mesh was loaded once the music had failed" ||
    fail "meshes were loaded although the music had failed"
mv "$work/music.ogg" "$app/data/music.ogg"

# --- 3. A picture missing: its box, answered, and the demo goes on in full view -----------------
mv "$app/data/logo1.jpg" "$work/logo1.jpg"
start_demo missing-picture
wait_for_window Error 60 && pass "without data/logo1.jpg a box titled Error appeared" ||
    stop "without data/logo1.jpg no box appeared: $(tail -n 5 "$work/stderr-missing-picture")"
[ "$(probe box)" = "box class=#32770 caption=Error text=Read params error!" ] &&
    pass "it says 'Read params error!'" || fail "the box is not the expected one: $(probe box)"
xdotool key Escape
# The box took the focus from the full-screen window for a moment: the window must not have gone
# to the taskbar with it, and the demo goes on without the picture.
wait_for_window Demo 30 || stop "no window titled Demo after the box"
sleep 2
kill -0 "$demo" 2>/dev/null && pass "the demo went on after the box" || fail "the demo ended after the box"
shown=$(probe shown)
[ "$shown" = "shown" ] && pass "its window is still shown after the box" ||
    fail "its window is $shown after the box"
xdotool key Escape
expect_exit_zero 15 "Escape after a box"
mv "$work/logo1.jpg" "$app/data/logo1.jpg"

# --- 4. Closing the window ---------------------------------------------------------------------
start_demo close
wait_for_window Demo 60 || stop "no window titled Demo for the close test"
sleep 1
[ "$(probe close)" = "close posted" ] && expect_exit_zero 15 "WM_CLOSE" || fail "could not post WM_CLOSE"

# --- 5. A display without 1024 x 768 -----------------------------------------------------------
# Wine's desktop process stays on the display it started on: each new display restarts Wine.
start_xvfb 800x600x24 || stop "the second Xvfb did not start"
restart_wine
start_demo mode-refused
expect_exit_zero 30 "a display without 1024 x 768"
grep -q "cannot switch to 1024 x 768 at 32 bits per pixel" "$work/stderr-mode-refused" &&
    pass "it said why on standard error" || fail "no line saying that the mode is missing"

# --- 6. demo-desktop.exe on a 1920 x 1080 screen: no mode switch, the picture between bars -------
start_xvfb 1920x1080x24 || stop "the 1920 x 1080 Xvfb did not start"
restart_wine
before=$display
note_mesh_sizes "$app/data"
start_demo desktop demo-desktop.exe
wait_for_window Demo 60 || stop "no window titled Demo from demo-desktop.exe: $(tail -n 5 "$work/stderr-desktop")"
window=$(probe window)
[ "$window" = "window class=OpenGL title=Demo style=popup classstyle=0x23 rect=0,0,1920x1080" ] &&
    pass "demo-desktop.exe covers the 1920 x 1080 screen with a pop-up ($window)" ||
    fail "demo-desktop.exe's window is not a pop-up covering the screen: $window"
during=$(probe display)
[ "$before" = "display 1920x1080x32" ] && [ "$during" = "$before" ] &&
    pass "the display mode stays as the desktop had it ($during)" ||
    fail "the display mode changed: $before before, $during while it runs"
wait_until_loaded "$app/data" || stop "demo-desktop.exe's scenes never finished loading"
screenshot_at 6 1920x1080 "$work/shot-desktop.png"
xdotool key Escape
expect_exit_zero 15 "Escape from demo-desktop.exe"
after=$(probe display)
[ "$after" = "$before" ] && pass "the display mode is still the desktop's afterwards" ||
    fail "the display mode is $after afterwards, not $before"
lit=$(lit_values "$work/shot-desktop.png" 240:1080:0:0 240:1080:1680:0)
[ "$lit" -eq 0 ] && pass "the 240 columns on each side are black" ||
    fail "the bars beside the picture hold $lit lit channel values"
reference_frames "$work/reference-desktop" 4000 --size 1920x1080 ||
    stop "demo-capture could not render the 1920 x 1080 reference frames"
read -r best_db best_ms frames < <("$match" "$work/shot-desktop.png" "$work/reference-desktop/frames" \
    1440:1080:240:0 4000 50)
if [ "$frames" -eq 80 ] && awk -v d="$best_db" 'BEGIN { exit !(d >= 20) }'; then
    pass "the picture between the bars at $shot_at-$shot_taken s matches demo-capture's 1920 x 1080 frame of $best_ms ms ($best_db dB, 20 needed)"
else
    fail "the picture between the bars matches no 1920 x 1080 frame from 4 to 8 s (best: $best_db dB at $best_ms ms of $frames frames, 20 needed)"
    cp "$work/shot-desktop.png" "${TMPDIR:-/tmp}/wine-smoke-desktop.png" && echo "  the screenshot is in ${TMPDIR:-/tmp}/wine-smoke-desktop.png"
fi

# --- 7. Gentle flashes: asked for, and by Windows' animation effects ---------------------------
start_xvfb 1024x768x24 || stop "the last Xvfb did not start"
restart_wine
gentle_check_started=$SECONDS

# Anything but one --gentle: one line, exit status 2, no mesh touched.
for arguments in "--fast" "--gentle --gentle"; do
    for mesh in "${meshes[@]}"; do cp "$app/data/$mesh.obj" "$work/$mesh.obj"; done
    start_demo refused demo.exe $arguments
    for _ in $(seq 1 300); do kill -0 "$demo" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$demo" 2>/dev/null; then
        fail "demo.exe $arguments was still running 30 s later"
        kill -9 "$demo" 2>/dev/null
        continue
    fi
    wait "$demo"
    status=$?
    said=$(tr -d '\r' <"$work/stderr-refused")
    untouched=1
    for mesh in "${meshes[@]}"; do cmp -s "$work/$mesh.obj" "$app/data/$mesh.obj" || untouched=0; done
    [ "$status" -eq 2 ] && [ "$(wc -l <<<"$said")" -eq 1 ] && [[ "$said" == "demo: "* ]] && [ "$untouched" -eq 1 ] &&
        pass "demo.exe $arguments: exit status 2, one line ($said), no mesh loaded" ||
        fail "demo.exe $arguments: exit status $status, standard error '$said', meshes untouched: $untouched"
done

# Plays to about 30 s, a loud passage, and takes screenshots into FILE, FILE-2 and FILE-3.
screenshot_at_30() { # NAME FILE PROGRAM [ARGUMENT...]
    local name=$1 file=$2
    shift 2
    note_mesh_sizes "$app/data"
    start_demo "$name" "$@"
    wait_for_window Demo 60 && wait_until_loaded "$app/data" || {
        fail "$*: no window, or the scenes never loaded: $(tail -n 5 "$work/stderr-$name")"
        return 1
    }
    # At 30 s, and two more 350 ms apart for expect_kind, the first's start kept in shot_at.
    local first_at
    screenshot_at 30 1024x768 "$file" && first_at=$shot_at
    screenshot_at 30.35 1024x768 "${file%.png}-2.png"
    screenshot_at 30.7 1024x768 "${file%.png}-3.png"
    shot_at=$first_at
    kill -0 "$demo" 2>/dev/null || { fail "$*: ended before 30 s: $(tail -n 5 "$work/stderr-$name")"; return 1; }
    xdotool key Escape
    expect_exit_zero 15 "Escape from $*"
}
mkdir -p "$work/reference-gentle"
cp -R "$work/original-data" "$work/reference-gentle/data"
gentle_reference_frames "$work/reference-gentle" "$capture" || stop "demo-capture could not render the gentle and full frames"

[ "$(probe animations)" = "animations on" ] && pass "Windows' animation effects are on, as a new profile has them" ||
    fail "Windows' animation effects are not on in a new profile: $(probe animations)"
screenshot_at_30 gentle "$work/shot-gentle.png" demo.exe --gentle &&
    expect_gentle "$work/shot-gentle.png" "$work/reference-gentle" "demo.exe --gentle's screen at 30 s" \
        "$work/shot-gentle-2.png" "$work/shot-gentle-3.png"
screenshot_at_30 animated "$work/shot-animated.png" demo-desktop.exe &&
    expect_full "$work/shot-animated.png" "$work/reference-gentle" "with animation effects on, demo-desktop.exe's screen at 30 s" \
        "$work/shot-animated-2.png" "$work/shot-animated-3.png"
# The switch as Settings turns it: SPI_SETCLIENTAREAANIMATION, kept in the profile (Wine's
# registry, UserPreferencesMask) and announced.
[ "$(probe animations off)" = "animations off" ] && pass "the probe switched Windows' animation effects off" ||
    fail "Windows' animation effects could not be switched off: $(probe animations off)"
screenshot_at_30 still "$work/shot-still.png" demo-desktop.exe &&
    expect_gentle "$work/shot-still.png" "$work/reference-gentle" "with animation effects off, demo-desktop.exe's screen at 30 s" \
        "$work/shot-still-2.png" "$work/shot-still-3.png"
echo "the gentle flashes under Wine took $((SECONDS - gentle_check_started)) s"

finish
