#!/usr/bin/env bash
# Cross-builds the demo for 64-bit and 32-bit Windows with Debian's mingw-w64 and writes
# dist/demo-windows-x86_64.zip and dist/demo-windows-i686.zip: each holds one folder with two
# self-contained programs (demo.exe, which switches the screen to 1024 x 768, and
# demo-desktop.exe, full screen at the desktop's own resolution), the default data/,
# README.txt on how to run them, LICENSE.txt and THIRD-PARTY-NOTICES.txt (the licences of the
# libraries linked in).
#   scripts/build-windows.sh [x86_64] [i686]      (both when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/archive.sh
. scripts/third-party.sh

arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(x86_64 i686)

# The Debian packages that link maps took archives and objects from, outside the build directory
# and the prefix (whose libraries are scripts/third-party.sh's sources); stops at a file that no
# package owns, since its licence would be unknown.
linked_packages() { # BUILD_DIR PREFIX MAP...
    local build prefix files
    build=$(realpath "$1") prefix=$(realpath "$2")
    shift 2
    # Archives that gave members, and objects loaded whole; relative to the build directory.
    files=$(awk '/^Archive member included/ { members = 1; next }
                 /^(Allocating common symbols|Discarded input sections|Memory Configuration)/ { members = 0 }
                 members && /^[^ \t]/ { sub(/\(.*/, ""); print }
                 $1 == "LOAD" && $2 ~ /\.(o|obj)$/ { print $2 }' "$@" |
        (cd "$build" && xargs -r realpath -m) | sort -u | grep -v -e "^$build/" -e "^$prefix/") || true
    [ -n "$files" ] || { echo "build-windows: the link maps name no runtime at all" >&2; return 1; }
    # dpkg -S: "package[:arch]: path" for each file, and an error for one that no package owns.
    dpkg-query -S $files | sed -E 's/: .*//; s/:[a-z0-9]+$//' | sort -u
}

scripts/install-packages.sh windows

# The default data is written by the native make-data, in the same build directory as the
# other commands use.
started=$SECONDS
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target make-data
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
build/tools/make-data "$stage/data" >/dev/null
# The programs' icon, from the same drawing as the Linux package's.
build/tools/make-data --icons build/icons >/dev/null
version=$(scripts/version.sh)
epoch=$(archive_epoch)
echo "build-windows: default data and icon in $((SECONDS - started)) s"

mkdir -p dist
for arch in "${arches[@]}"; do
    case "$arch" in
    x86_64) bits=64 ;;
    i686) bits=32 ;;
    *) echo "build-windows: unknown architecture '$arch' (x86_64 or i686)" >&2; exit 2 ;;
    esac
    triple=$arch-w64-mingw32

    started=$SECONDS
    prefix=$(scripts/windows-deps.sh "$arch")
    echo "build-windows: $triple libraries in $((SECONDS - started)) s"

    started=$SECONDS
    # pkg-config's answers stay in the CMake cache: a new prefix needs a new build directory.
    configured=build-windows-$arch/configured-prefix
    [ "$(cat "$configured" 2>/dev/null)" = "$prefix" ] || rm -rf "build-windows-$arch"
    cmake -S . -B "build-windows-$arch" --toolchain "cmake/$triple.cmake" \
        -DDEMO_WINDOWS_PREFIX="$prefix" -DDEMO_ICON="$PWD/build/icons/demo.ico" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    echo "$prefix" >"$configured"
    cmake --build "build-windows-$arch" -j"$(nproc)" --target demo demo-desktop
    echo "build-windows: $triple demo.exe and demo-desktop.exe in $((SECONDS - started)) s"

    # What the programs really link from the system must be the runtime whose licences the zip
    # carries.
    linked=$(linked_packages "build-windows-$arch" "$prefix" "build-windows-$arch"/{demo,demo-desktop}.exe.map)
    runtime=$(third_party_windows_packages "$arch")
    [ "$linked" = "$(sort <<<"$runtime")" ] || {
        echo "build-windows: the programs link files of the packages" $linked >&2
        echo "  but scripts/third-party.sh lists" $runtime "for their licences" >&2
        exit 1
    }

    name=demo-windows-$arch
    folder=$stage/$name
    mkdir -p "$folder"
    for program in demo demo-desktop; do
        # strip stamps the time into the program's header: the commit's, so that the same commit
        # gives the same bytes.
        SOURCE_DATE_EPOCH=$epoch "$triple-strip" -o "$folder/$program.exe" "build-windows-$arch/$program.exe"
    done
    cp -R "$stage/data" "$folder/data"
    # Windows' own line ends, for Notepad, as in README.txt.
    sed 's/$/\r/' LICENSE >"$folder/LICENSE.txt"
    scripts/write-notices.sh "$stage/notices.txt" \
        "Demo $version for $bits-bit Windows (demo.exe and demo-desktop.exe)" "$prefix" $runtime
    sed 's/$/\r/' "$stage/notices.txt" >"$folder/THIRD-PARTY-NOTICES.txt"
    # Windows' own line ends, for Notepad.
    sed 's/$/\r/' >"$folder/README.txt" <<EOF
Demo $version for $bits-bit Windows
=============================

A real-time audiovisual demo: 136 seconds of scenes in OpenGL, locked to its music.

WARNING: FLASHING LIGHT. On loud beats the picture flashes white over most of the screen,
several times a second at times, which can bring on seizures in people with photosensitive
epilepsy and migraines in many more. Add --gentle to play it with gentle flashes, kept within
the limits for photosensitive viewers (the same scenes and music):

    demo-desktop.exe --gentle

Where Windows' animation effects are switched off (Settings, Accessibility, Visual effects,
"Animation effects"), both programs play with gentle flashes by themselves.

Which program to start
----------------------
demo-desktop.exe   Full screen at your desktop's own resolution, as sharp as your screen:
                   the 4:3 picture fills the height, with black bars at the sides of a wide
                   screen. No change of display mode. Start this one on a wide screen
                   (1920 x 1080, 2560 x 1440, 4K) or a laptop.
demo.exe           As the demo was first made: switches the screen to 1024 x 768 at 32 bits
                   per pixel for the run and puts the desktop back at the end; a screen that
                   cannot show that mode ends it at once. On a wide screen the picture is
                   stretched and soft.

Both are the same demo, and both draw at the screen's real pixels on a desktop scaled to
150 % or 200 %.

Running it
----------
Unpack the whole folder somewhere you may write to (not under Program Files) and start one of
the programs from it, with a double click or from a command prompt in this folder:

    demo-desktop.exe
    demo-desktop.exe --gentle       (gentle flashes: see the warning above)

To start it gently with a double click, make a shortcut to demo-desktop.exe and add --gentle
after the program's name in the shortcut's Target.

Escape ends it early; so does closing the window (Alt+F4). It needs OpenGL 1.2, which every
Windows graphics driver has.

Everything it reads lies in data\ beside it, found from the working directory: music.ogg, eight
JPEG pictures and five OBJ meshes. Any files of those names and formats will do. Each time a
mesh is loaded one line end is appended to its file, so the folder must be writable. When
something cannot be loaded a message box says so, and the demo goes on (a missing music.ogg ends
it).

Under Wine on Linux
-------------------
From this folder:

    wine demo-desktop.exe

For demo.exe the display must offer 1024 x 768. On a machine without a sound card, run either
with SDL_AUDIODRIVER=dummy set.

What it is built from
---------------------
Each program is one file that needs no DLL beyond Windows' own. It was cross-built on Debian
with mingw-w64 and statically linked with SDL2, libvorbisfile, KISS FFT and libjpeg-turbo:
$(sed 's/^/    /' "$prefix/versions.txt")

Licence
-------
Demo is free software under the MIT licence, in LICENSE.txt. The libraries linked into the
programs come under their own licences, whose texts are in THIRD-PARTY-NOTICES.txt:
$(for package in "${third_party_sources[@]}" $runtime; do echo "    $(third_party_name "$package")"; done)
EOF
    zip_folder "$stage" "$name" "dist/$name.zip"
    echo "build-windows: dist/$name.zip ($(du -k "dist/$name.zip" | cut -f1) KiB)"
done
