#!/usr/bin/env bash
# Writes THIRD-PARTY-NOTICES.txt for a build: the copyright and licence terms of every library
# built into it, each as the copyright file of the Debian package it comes from states them. The
# Debian sources of scripts/third-party.sh are taken from PREFIX/notices/ (kept there by the cross
# build that unpacked them, so that a new source version brings its own text); the runtime
# packages from this machine's /usr/share/doc/PACKAGE/copyright. Debian's copyright files give
# the common licences (GPL, LGPL, Apache...) by their place in /usr/share/common-licenses, which
# a Windows user or a visitor of the page does not have: those texts follow at the end.
#   scripts/write-notices.sh OUT "WHAT IT IS FOR" PREFIX RUNTIME_PACKAGE...
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/third-party.sh
[ $# -ge 3 ] || { echo "usage: write-notices.sh OUT \"WHAT IT IS FOR\" PREFIX RUNTIME_PACKAGE..." >&2; exit 2; }
out=$1 what=$2 prefix=$3
shift 3

rule=$(printf '=%.0s' {1..78})
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sections=$work/sections
summary=()
declare -A first_with_text=()
# One section: a rule, "NAME VERSION (KIND)", what it is, a rule, then the text, or where it
# stands already when an earlier section has the same (packages built from one source share one
# copyright file).
section() { # NAME VERSION KIND WHAT FILE
    local hash same
    hash=$(sha256sum <"$5")
    same=${first_with_text[$hash]:-}
    {
        printf '\n\n%s\n%s %s (%s)\n%s\n%s\n\n' "$rule" "$1" "$2" "$3" "$4" "$rule"
        if [ -n "$same" ]; then
            echo "The same text as $same, above."
        else
            first_with_text[$hash]=$1
            cat "$5"
        fi
    } >>"$sections"
}

for package in "${third_party_sources[@]}"; do
    notice=$prefix/notices/$package
    [ -s "$notice" ] && [ "$(head -n 1 "$notice" | cut -d' ' -f1)" = "$package" ] ||
        { echo "write-notices: no licence text of $package in $prefix/notices" >&2; exit 1; }
    version=$(head -n 1 "$notice" | cut -d' ' -f2)
    tail -n +2 "$notice" >"$work/$package"
    section "$package" "$version" "Debian source package" "$(third_party_name "$package")" "$work/$package"
    summary+=("  $(third_party_name "$package")" "      Debian source package $package $version")
done
for package in "$@"; do
    copyright=/usr/share/doc/$package/copyright
    version=$(dpkg-query -W -f='${Version}' "$package" 2>/dev/null) && [ -s "$copyright" ] ||
        { echo "write-notices: $package is not installed with a copyright file" >&2; exit 1; }
    section "$package" "$version" "Debian package" "$(third_party_name "$package")" "$copyright"
    summary+=("  $(third_party_name "$package")" "      Debian package $package $version")
done

# The common licences the texts above refer to, in the order of their names.
licences=$(grep -o '/usr/share/common-licenses/[A-Za-z0-9.+-]*[A-Za-z0-9]' "$sections" |
    sed 's#.*/##' | LC_ALL=C sort -u)
base_files=$(dpkg-query -W -f='${Version}' base-files)
for licence in $licences; do
    [ -s "/usr/share/common-licenses/$licence" ] ||
        { echo "write-notices: a copyright file refers to /usr/share/common-licenses/$licence, which is not here" >&2; exit 1; }
    section "common-licenses/$licence" "$base_files" "Debian package base-files" \
        "The licence that the texts above call /usr/share/common-licenses/$licence" \
        "/usr/share/common-licenses/$licence"
done

title="Third-party notices: $what"
# UTF-8 (names in the texts are), with a byte order mark: Notepad before Windows 10 and browsers
# given text/plain without a charset read it as UTF-8 only by that mark.
{
    printf '\xef\xbb\xbf%s\n' "$title"
    printf '%s\n\n' "$(sed 's/./=/g' <<<"$title")"
    echo "Built into it, each under its own licence, whose terms follow in full as the copyright"
    echo "file of the Debian package it was built from states them:"
    echo
    printf '%s\n' "${summary[@]}"
    if [ -n "$licences" ]; then
        echo
        echo "The licences that those files give by their place in /usr/share/common-licenses on a"
        echo "Debian system follow at the end: $(echo $licences | sed 's/ /, /g')."
    fi
    cat "$sections"
} >"$out"
