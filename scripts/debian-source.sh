#!/usr/bin/env bash
# Unpacks the source of a Debian package, as Debian ships it (patches applied), and prints the
# directory. The source entries are derived at run time from the machine's own apt sources, so no
# mirror is ever named here.
#   scripts/debian-source.sh SOURCE_PACKAGE WORK_DIR     prints WORK_DIR/<package>-<version>
#   scripts/debian-source.sh --version SOURCE_PACKAGE    prints the version apt would fetch
set -euo pipefail

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# Adds a deb-src twin of every deb entry, once.
ensure_source_entries() {
    apt-cache showsrc "$1" 2>/dev/null | grep -q '^Version:' && return 0
    local list=/etc/apt/sources.list.d/demo-deb-src
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -e "$file" ] || continue
        case "$file" in "$list".sources) continue ;; esac
        # deb822 stanzas: keep those whose Types include deb, with Types set to deb-src.
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             match($0, /Types:[^\n]*/) && substr($0, RSTART, RLENGTH) ~ /[[:space:]]deb([[:space:]]|$)/ {
                 sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$file"
    done | $sudo tee "$list.sources" >/dev/null
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list |
            $sudo tee "$list.list" >/dev/null
    fi
    $sudo apt-get update -qq
    apt-cache showsrc "$1" 2>/dev/null | grep -q '^Version:' ||
        { echo "debian-source: no source package '$1' in the machine's apt sources" >&2; exit 1; }
}

source_version() {
    ensure_source_entries "$1"
    apt-cache showsrc --only-source "$1" | awk '/^Version:/ { print $2 }' | sort -V | tail -n 1
}

if [ "${1:-}" = "--version" ]; then
    [ $# -eq 2 ] || { echo "usage: debian-source.sh --version PACKAGE" >&2; exit 2; }
    source_version "$2"
    exit 0
fi
[ $# -eq 2 ] || { echo "usage: debian-source.sh PACKAGE WORK_DIR" >&2; exit 2; }
package=$1
work=$2
version=$(source_version "$package")
upstream=${version#*:}
upstream=${upstream%-*}
mkdir -p "$work"
directory="$work/$package-$upstream"
if [ ! -f "$directory/.unpacked" ]; then
    rm -rf "$directory"
    # As root, apt warns that it cannot fetch as its own user into this directory; it fetches anyway.
    (cd "$work" && apt-get source -qq --only-source "$package=$version" 2>&1 >/dev/null |
        grep -v 'unsandboxed' >&2 || true)
    [ -d "$directory" ] || { echo "debian-source: $package did not unpack into $directory" >&2; exit 1; }
    touch "$directory/.unpacked"
fi
echo "$directory"
