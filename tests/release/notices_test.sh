#!/usr/bin/env bash
# Reads the licences back from built Windows zips and web page archives, as a user unpacks them:
# LICENSE.txt is the project's MIT licence, and THIRD-PARTY-NOTICES.txt holds a licence text for
# every library that the build scripts build into the programs (scripts/third-party.sh: the
# Debian sources of the cross builds and the runtime packages of each target), each taken from
# the copyright file of the version that was built, and the text of every common licence those
# files refer to by its place on a Debian system; README.txt and the page's footer name both.
#   tests/release/notices_test.sh ARCHIVE...
# ARCHIVE: demo-windows-ARCH[-VERSION].zip or demo-web-VERSION.tar.gz, as scripts/release.sh and
# scripts/build-windows.sh write them.
set -u
[ $# -ge 1 ] || { echo "usage: notices_test.sh ARCHIVE..." >&2; exit 2; }
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tests/support/checks.sh" notices
. "$root/scripts/third-party.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rule=$(printf '=%.0s' {1..78})

# The sections of a notices file, one line each: "PACKAGE VERSION LINES STATUS", where STATUS is
# "text" for a text that speaks of copyright or a licence, "same:PACKAGE" for a reference to an
# earlier section's text, or "empty". A section is headed by a rule, "PACKAGE VERSION (KIND)",
# what it is, and a rule.
sections() { # NOTICES
    sed 's/\r$//; 1s/^\xef\xbb\xbf//' "$1" | awk -v rule="$rule" '
        function close_section() {
            if (package == "") return
            status = same != "" ? "same:" same : (copyright ? "text" : "empty")
            print package, version, lines, status
        }
        { line[NR] = $0 }
        NR > 3 && $0 == rule && line[NR - 3] == rule {
            # The header just read was counted as body lines of the section before it.
            lines -= 3
            close_section()
            split(line[NR - 2], header, " ")
            package = header[1]; version = header[2]; lines = 0; copyright = 0; same = ""
            next
        }
        { lines++ }
        /[Cc]opyright|[Ll]icen[cs]e/ && !/^The same text as/ { copyright = 1 }
        /^The same text as [^ ]+, above\.$/ { same = $5; sub(/,$/, "", same) }
        END { lines += 0; close_section() }'
}

# Checks one notices file against the packages expected in it, and the common licences that
# their texts refer to.
check_notices() { # LABEL NOTICES PACKAGE...
    local label=$1 notices=$2 package found missing=() thin=() licences
    shift 2
    [ -s "$notices" ] || { fail "$label has no THIRD-PARTY-NOTICES.txt"; return; }
    sections "$notices" >"$work/sections"
    licences=$(grep -o '/usr/share/common-licenses/[A-Za-z0-9.+-]*[A-Za-z0-9]' "$notices" |
        sed 's#.*/#common-licenses/#' | sort -u)
    for package in "$@" $licences; do
        found=$(awk -v p="$package" '$1 == p' "$work/sections")
        if [ -z "$found" ]; then
            missing+=("$package")
            continue
        fi
        case "$(cut -d' ' -f4 <<<"$found")" in
        text) [ "$(cut -d' ' -f3 <<<"$found")" -ge 5 ] || thin+=("$package") ;;
        same:*) awk -v p="$(cut -d' ' -f4 <<<"$found" | cut -d: -f2)" '$1 == p && $4 == "text"' \
            "$work/sections" | grep -q . || thin+=("$package") ;;
        *) thin+=("$package") ;;
        esac
    done
    [ ${#missing[@]} -eq 0 ] && pass "$label: THIRD-PARTY-NOTICES.txt has a section for each of the $# libraries built in ($*)" ||
        fail "$label: THIRD-PARTY-NOTICES.txt has no section for ${missing[*]}"
    [ ${#thin[@]} -eq 0 ] && pass "$label: each section holds a copyright and licence text ($(awk '{ n += $3 } END { print n }' "$work/sections") lines in all)" ||
        fail "$label: no copyright text in the sections of ${thin[*]}"
    [ -n "$licences" ] && [ ${#missing[@]} -eq 0 ] &&
        pass "$label: with the text of each common licence they refer to ($(echo $licences | sed 's#common-licenses/##g'))"
}

# LICENSE.txt against the project's own LICENSE, line ends aside.
check_licence() { # LABEL FILE
    if [ -f "$2" ] && diff -q <(sed 's/\r$//' "$2") "$root/LICENSE" >/dev/null; then
        pass "$1: LICENSE.txt is the project's MIT licence ($(grep -m1 '^Copyright' "$root/LICENSE"))"
    else
        fail "$1: LICENSE.txt is missing or is not the project's LICENSE"
    fi
}

for archive in "$@"; do
    name=$(basename "$archive")
    unpacked=$work/$name
    mkdir -p "$unpacked"
    case "$name" in
    demo-windows-*.zip)
        unzip -q "$archive" -d "$unpacked" || { fail "cannot unpack $name"; continue; }
        arch=$(sed -E 's/^demo-windows-(x86_64|i686).*/\1/' <<<"$name")
        folder=$unpacked/demo-windows-$arch
        check_licence "$name" "$folder/LICENSE.txt"
        check_notices "$name" "$folder/THIRD-PARTY-NOTICES.txt" \
            "${third_party_sources[@]}" $(third_party_windows_packages "$arch")
        # The texts are those of the versions built: the ones README.txt names.
        stale=()
        while read -r package version _; do
            sed 's/\r$//' "$folder/README.txt" 2>/dev/null | grep -q -F -x "    $package $version" ||
                stale+=("$package $version")
        done < <(sections "$folder/THIRD-PARTY-NOTICES.txt" 2>/dev/null | grep -E "^($(IFS='|'; echo "${third_party_sources[*]}")) ")
        [ ${#stale[@]} -eq 0 ] && pass "$name: the sources' texts are of the versions README.txt says were built" ||
            fail "$name: texts of versions README.txt does not name: ${stale[*]}"
        grep -q 'LICENSE\.txt' "$folder/README.txt" 2>/dev/null && grep -q 'THIRD-PARTY-NOTICES\.txt' "$folder/README.txt" &&
            grep -q 'MIT licence' "$folder/README.txt" &&
            pass "$name: README.txt names the MIT licence, LICENSE.txt and THIRD-PARTY-NOTICES.txt" ||
            fail "$name: README.txt does not name the licence and both files"
        ;;
    demo-web-*.tar.gz)
        tar -xzf "$archive" -C "$unpacked" || { fail "cannot unpack $name"; continue; }
        folder=$unpacked/${name%.tar.gz}
        check_licence "$name" "$folder/LICENSE.txt"
        check_notices "$name" "$folder/THIRD-PARTY-NOTICES.txt" "${third_party_sources[@]}" "${third_party_web_runtime[@]}"
        grep -q 'href="LICENSE.txt"' "$folder/index.html" 2>/dev/null &&
            grep -q 'href="THIRD-PARTY-NOTICES.txt"' "$folder/index.html" &&
            pass "$name: the page's footer links LICENSE.txt and THIRD-PARTY-NOTICES.txt" ||
            fail "$name: the page's footer does not link both files"
        ;;
    *) fail "$name is neither a Windows zip nor the page's archive" ;;
    esac
done
finish
