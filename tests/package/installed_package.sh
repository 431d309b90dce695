#!/usr/bin/env bash
# The Debian package as a user meets it, in a brand-new Debian 12 root (tests/package/
# fresh_root_test.sh runs this inside one, as root): installed with apt from the archive, started
# by a user through its launcher on an Xvfb, recorded with its demo-capture, then purged.
#   tests/package/installed_package.sh DEB
set -u
[ $# -eq 1 ] || { echo "usage: installed_package.sh DEB" >&2; exit 2; }
deb=$(realpath "$1")
support=$(cd "$(dirname "$0")/../support" && pwd)
match=$support/best_matching_frame.sh
. "$support/checks.sh" package
. "$support/live_demo.sh"
. "$support/gentle_frames.sh"
export DEBIAN_FRONTEND=noninteractive

work=$(mktemp -d /tmp/package-XXXXXX)
chmod 755 "$work"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT

# Every path of the system but the places that change by themselves, to see what is left after
# the purge.
snapshot() {
    find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /project \
        -o -path /var/cache/apt -o -path /var/lib/apt/lists \) -prune -o -print | LC_ALL=C sort
}
snapshot >"$work/before"

# --- 1. apt installs it, every dependency from Debian's archive --------------------------------
started=$(now)
apt-get update -qq || stop "apt-get update failed"
if apt-get install -y -q "$deb" >"$work/install.log" 2>&1; then
    pass "apt-get install $(basename "$deb") resolved every dependency from the archive: $(grep -c '^Setting up' "$work/install.log") packages set up in $(since "$started") s"
else
    tail -n 20 "$work/install.log"
    stop "apt-get install $(basename "$deb") failed"
fi
version=$(dpkg-query -W -f='${Version}' demo)
apt-get check -q >/dev/null 2>&1 && pass "apt finds every dependency of demo $version satisfied" ||
    fail "apt-get check finds broken dependencies"
dpkg -L demo >"$work/package-files"
for tool in demo-capture make-data; do
    [ "$(command -v "$tool")" = "/usr/bin/$tool" ] && [ "$("$tool" --version)" = "$tool $version" ] &&
        pass "$tool is on the PATH and says it is version $version" ||
        fail "$tool is not on the PATH or says '$("$tool" --version 2>&1)', not version $version"
done

# What the tests need, installed after the package so that it cannot stand in for a dependency;
# gsettings and GNOME's schemas too, which the launcher asks whether to play gently.
apt-get install -y -q --no-install-recommends xvfb xauth xdotool libglib2.0-bin gsettings-desktop-schemas \
    >"$work/tools.log" 2>&1 ||
    stop "cannot install the test's own tools: $(tail -n 3 "$work/tools.log")"

# --- 2. A user starts it from the desktop entry: the first start copies the data ----------------
# The commands of the entry's main action (the desktop-display build) and of its actions.
entry=$(grep -l '^Exec=' /usr/share/applications/*.desktop | head -n 1)
entry_key() { # GROUP KEY
    sed -n "/^\[$1\]/,/^\[/ s/^$2=//p" "$entry"
}
main_command=$(entry_key "Desktop Entry" Exec)
mode_command=$(entry_key "Desktop Action display-mode" Exec)
gentle_command=$(entry_key "Desktop Action gentle" Exec)
[ "$main_command" = /usr/games/demo-desktop ] && [ "$mode_command" = /usr/games/demo ] &&
    pass "the desktop entry starts /usr/games/demo-desktop, and /usr/games/demo as its action display-mode" ||
    fail "the desktop entry's commands are '$main_command' and '$mode_command'"
[ "$(entry_key "Desktop Entry" Actions)" = "gentle;display-mode;" ] &&
    [ "$(entry_key "Desktop Action gentle" Name)" = "Play with gentle flashes" ] &&
    [ "$gentle_command" = "/usr/games/demo-desktop --gentle" ] &&
    pass "its first action, \"Play with gentle flashes\", runs $gentle_command" ||
    fail "no action \"Play with gentle flashes\" running demo-desktop --gentle: actions '$(entry_key "Desktop Entry" Actions)', '$(entry_key "Desktop Action gentle" Name)' runs '$gentle_command'"
# The warning, wherever the package meets its user, naming the gentle way.
warns() {
    local text
    text=$(cat)
    grep -q -i "flashing light" <<<"$text" && grep -q -e "--gentle" <<<"$text"
}
dpkg-query -W -f='${Description}' demo | warns && pass "the package's description warns of the flashing and names --gentle" ||
    fail "the package's description does not warn of the flashing and name --gentle"
cat /usr/share/metainfo/*.xml | warns && grep -q "Play with gentle flashes" /usr/share/metainfo/*.xml &&
    pass "the AppStream metadata warns of it and names the gentle action" || fail "the AppStream metadata has no warning naming the gentle way"
zcat /usr/share/man/man6/demo.6.gz | sed -n '/^\.SH WARNING/,/^\.SH/p' | sed 's/\\-/-/g' | warns &&
    pass "demo(6) has a WARNING section naming --gentle" || fail "demo(6) has no WARNING section naming --gentle"
useradd -m player || stop "cannot add a user"
home=/home/player
data=$home/.local/share/demo/data
# A display number of its own: X's sockets are shared with the machine outside the root.
start_own_xvfb 1024x768x24 "$work/display"
started=$?
pids+=("$xvfb")
[ "$started" -eq 0 ] || stop "Xvfb did not start"
as_player() { runuser -u player -- env HOME=$home DISPLAY="$DISPLAY" SDL_AUDIODRIVER=dummy "$@"; }

size() { stat -c %s "$data/$1.obj"; }
# Starts a command as the user, from the home folder, and waits for its window.
start_demo() { # COMMAND NAME [ENV...]
    local command=$1 name=$2
    shift 2
    (cd "$home" && exec runuser -u player -- env HOME=$home DISPLAY="$DISPLAY" SDL_AUDIODRIVER=dummy "$@" \
        "$command" 2>"$work/stderr-$name") &
    demo=$!
    pids+=("$demo")
    wait_for_window Demo 60
}
# Presses Escape; true when the demo then ends within 15 s with exit code 0.
escape_and_wait() {
    xdotool key Escape
    for _ in $(seq 1 150); do
        kill -0 "$demo" 2>/dev/null || { wait "$demo"; return; }
        sleep 0.1
    done
    kill -9 "$demo"
    return 1
}

[ ! -e "$home/.local/share/demo" ] || stop "the user has a data directory before the first start"
start_demo "$mode_command" first || stop "no window titled Demo from $mode_command: $(tail -n 5 "$work/stderr-first")"
grep -q "copied the default data into $data" "$work/stderr-first" &&
    pass "the first start copied the default data into ~/.local/share/demo/data" ||
    fail "the first start did not say it copied the data: $(cat "$work/stderr-first")"
[ "$(ls "$data" | wc -l)" -eq 14 ] && [ "$(stat -c %U "$data/music.ogg")" = player ] &&
    pass "the copy holds the 14 files, the user's own" || fail "the copy is not the 14 files of the user's: $(ls -l "$data")"
note_mesh_sizes /usr/share/games/demo/data
wait_until_loaded "$data" || stop "the scenes never finished loading: $(tail -n 5 "$work/stderr-first")"
cwd=""
for process in /proc/[0-9]*; do
    [ "$(readlink "$process/exe" 2>/dev/null)" = /usr/lib/games/demo/demo ] && cwd=$(readlink "$process/cwd")
done
[ "$cwd" = "$home/.local/share/demo" ] && pass "the demo runs in ~/.local/share/demo" ||
    fail "the demo runs in '$cwd', not ~/.local/share/demo"

# The picture at about 6 s against demo-capture's frames from 4 to 8 s, from the package's own
# data and demo-capture: in the intro, since the banner flashes white for a few tens of ms on the
# track's loud beats, and the screenshot's instant is known only to tenths of a second.
screenshot_at 6 1024x768 "$work/shot.png"
kill -0 "$demo" 2>/dev/null && pass "still playing at $shot_at s" || stop "the demo ended early: $(tail -n 5 "$work/stderr-first")"
escape_and_wait && pass "Escape ended it with exit code 0" || fail "it did not end with 0 on Escape"
[ $(($(size figure) - figure_before)) -eq 1 ] && [ $(($(size star) - star_before)) -eq 2 ] &&
    pass "the user's meshes got their line ends (figure.obj +1, star.obj +2)" ||
    fail "the user's meshes grew by figure $(($(size figure) - figure_before)), star $(($(size star) - star_before))"
dpkg --verify demo >"$work/verify" 2>&1 && [ ! -s "$work/verify" ] &&
    pass "the system's copy is untouched (dpkg --verify)" || fail "the package's files changed: $(cat "$work/verify")"

mkdir -p "$work/reference"
cp -R /usr/share/games/demo/data "$work/reference/data"
chown -R player "$work/reference"
(cd "$work/reference" && as_player demo-capture --quiet --from 4000 --to 8000 --fps 20 -o frames/) ||
    stop "demo-capture could not render the reference frames"
read -r best_db best_ms frames < <("$match" "$work/shot.png" "$work/reference/frames" 512:384:256:192 4000 50)
[ "$frames" -eq 80 ] && awk -v d="$best_db" 'BEGIN { exit !(d >= 20) }' &&
    pass "the window showed the default picture: at $shot_at s it matches demo-capture's frame of $best_ms ms ($best_db dB, 20 needed)" ||
    fail "the window matches no frame from 4 to 8 s (best $best_db dB at $best_ms ms of $frames frames)"

# --- 3. The second start copies nothing and keeps the line ends --------------------------------
note_mesh_sizes "$data"
start_demo "$main_command" second || stop "no window from $main_command: $(tail -n 5 "$work/stderr-second")"
wait_until_loaded "$data" || stop "the second start never finished loading"
escape_and_wait || fail "the second start did not end with 0 on Escape"
grep -q "copied" "$work/stderr-second" && fail "the second start copied again: $(cat "$work/stderr-second")" ||
    pass "the second start (demo-desktop) copied nothing"
[ $(($(size figure) - figure_before)) -eq 1 ] && [ "$(size figure)" -eq $(($(stat -c %s /usr/share/games/demo/data/figure.obj) + 2)) ] &&
    pass "figure.obj kept the first run's line end and got one more" ||
    fail "figure.obj is $(size figure) bytes after two runs"

# XDG_DATA_HOME moves the user's copy.
start_demo /usr/games/demo third XDG_DATA_HOME=$home/elsewhere || stop "no window with XDG_DATA_HOME set"
escape_and_wait || fail "the run with XDG_DATA_HOME set did not end with 0 on Escape"
[ "$(ls "$home/elsewhere/demo/data" 2>/dev/null | wc -l)" -eq 14 ] &&
    pass "with XDG_DATA_HOME set the data went to \$XDG_DATA_HOME/demo/data" ||
    fail "nothing in \$XDG_DATA_HOME/demo/data: $(cat "$work/stderr-third")"

# --- 4. Gentle flashes: the entry's action, and the desktop asking for less motion --------------
# Until now gsettings has said that GNOME's animations are on (the schema's default): no start
# played gently of its own accord.
asked="the desktop asks for less motion: playing with gentle flashes (--gentle)"
! grep -q "less motion" "$work"/stderr-{first,second,third} &&
    pass "with GNOME's animations on, no start said that it plays gently" ||
    fail "a start with GNOME's animations on played gently: $(grep -h "less motion" "$work"/stderr-*)"
# GNOME's "Reduce animation", kept where gsettings keeps it when told to use a plain file.
gnome=(GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME=$home/.config)
as_player "${gnome[@]}" gsettings set org.gnome.desktop.interface enable-animations false &&
    [ "$(as_player "${gnome[@]}" gsettings get org.gnome.desktop.interface enable-animations)" = false ] ||
    stop "cannot switch GNOME's animations off for the user"
# The action as a desktop runs it, its Exec split into words: the program gets --gentle once
# (twice would end it with status 2), and the launcher has nothing to add.
read -r -a gentle_words <<<"$gentle_command"
note_mesh_sizes "$data"
(cd "$home" && exec runuser -u player -- env HOME=$home DISPLAY="$DISPLAY" SDL_AUDIODRIVER=dummy \
    "${gnome[@]}" "${gentle_words[@]}" 2>"$work/stderr-action") &
demo=$!
pids+=("$demo")
if wait_for_window Demo 60; then
    arguments=""
    for process in /proc/[0-9]*; do
        [ "$(readlink "$process/exe" 2>/dev/null)" = /usr/lib/games/demo/demo-desktop ] &&
            arguments=$(tr '\0' ' ' <"$process/cmdline")
    done
    [ "$arguments" = "/usr/lib/games/demo/demo-desktop --gentle " ] && ! grep -q "less motion" "$work/stderr-action" &&
        pass "the action \"Play with gentle flashes\" runs demo-desktop --gentle, with animations off too" ||
        fail "the action ran '$arguments', saying: $(cat "$work/stderr-action")"
    # Escape once it plays, as the other runs here press it.
    wait_until_loaded "$data" || fail "the gentle action never finished loading"
    escape_and_wait || fail "the gentle action did not end with 0 on Escape"
else
    fail "the action \"Play with gentle flashes\" opened no window: $(tail -n 5 "$work/stderr-action")"
fi
# The entry's main command with animations off: the launcher says it plays gently, and the screen
# at 30 s of the timeline, in a loud passage, is demo-capture --gentle's.
note_mesh_sizes "$data"
start_demo "$main_command" less-motion "${gnome[@]}" || stop "no window with animations off: $(tail -n 5 "$work/stderr-less-motion")"
grep -qx "demo: $asked" "$work/stderr-less-motion" && pass "with GNOME's animations off the launcher says: $asked" ||
    fail "with GNOME's animations off the launcher did not say so: $(cat "$work/stderr-less-motion")"
wait_until_loaded "$data" || stop "the scenes never finished loading with animations off"
screenshot_at 30 1024x768 "$work/shot-less-motion.png"
kill -0 "$demo" 2>/dev/null || stop "it ended before 30 s with animations off: $(tail -n 5 "$work/stderr-less-motion")"
escape_and_wait || fail "the run with animations off did not end with 0 on Escape"
mkdir -p "$work/reference-gentle"
cp -R /usr/share/games/demo/data "$work/reference-gentle/data"
chown -R player "$work/reference-gentle"
gentle_reference_frames "$work/reference-gentle" as_player demo-capture ||
    stop "demo-capture could not render the gentle and full frames"
expect_gentle "$work/shot-less-motion.png" "$work/reference-gentle" "with GNOME's animations off, the screen at 30 s"

# --- 5. demo-capture from the package ----------------------------------------------------------
(cd "$home/.local/share/demo" && as_player demo-capture --at 20000 -o f.png) 2>"$work/capture.err" &&
    [ "$(ffprobe -loglevel error -show_entries stream=width,height -of csv=p=0 "$home/.local/share/demo/f.png")" = "1024,768" ] &&
    pass "demo-capture --at 20000 -o f.png wrote a 1024 x 768 frame" ||
    fail "demo-capture --at 20000 failed: $(cat "$work/capture.err")"
(cd "$work/reference" && as_player demo-capture --quiet --from 20000 --to 20050 --fps 20 -o at-20/) &&
    cmp -s "$home/.local/share/demo/f.png" "$work/reference/at-20/frame-000400.png" &&
    pass "it is the sequence's 20 s frame (frame 400 at 20 fps), byte for byte" || fail "f.png differs from the sequence's 20 s frame"

# make-data draws with the DejaVu fonts from their files: the same bytes as the package's data.
(cd "$home" && as_player make-data fresh-data >/dev/null) 2>"$work/make-data.err" &&
    diff -rq /usr/share/games/demo/data "$home/fresh-data" >"$work/make-data.diff" 2>&1 &&
    pass "make-data writes the package's data set again, byte for byte" ||
    fail "make-data's data set is not the package's: $(cat "$work/make-data.err" "$work/make-data.diff")"

# --- 6. Purged, it leaves nothing behind -------------------------------------------------------
apt-get purge -y -q demo >"$work/purge.log" 2>&1 || stop "apt-get purge demo failed: $(tail -n 5 "$work/purge.log")"
[ -z "$(dpkg-query -W -f='${db:Status-Abbrev}' demo 2>/dev/null)" ] && pass "dpkg has forgotten demo" ||
    fail "dpkg still knows demo: $(dpkg-query -W -f='${db:Status-Abbrev}' demo)"
left=()
while read -r path; do
    [ "$path" != /. ] || continue
    [ -e "$path" ] || [ -L "$path" ] || continue
    # A folder that other packages share stays.
    [ -d "$path" ] && dpkg -S "$path" >/dev/null 2>&1 && continue
    left+=("$path")
done <"$work/package-files"
[ ${#left[@]} -eq 0 ] && pass "none of the package's $(wc -l <"$work/package-files") paths is left" ||
    fail "the purge left: ${left[*]}"
snapshot >"$work/after"
# New paths that no installed package owns, outside the users' homes (their own data stays theirs).
dpkg-query -L $(dpkg-query -W -f='${binary:Package}\n') 2>/dev/null | LC_ALL=C sort -u >"$work/owned"
comm -13 "$work/before" "$work/after" | grep -v '^/home/' | LC_ALL=C comm -23 - "$work/owned" >"$work/stray"
named=$(grep -i -E 'demo|org\.example' "$work/stray" || true)
[ -z "$named" ] && pass "no file that names the demo is left anywhere ($(wc -l <"$work/stray") other new paths belong to no package: state and caches of its dependencies)" ||
    fail "left after the purge: $named"

finish
