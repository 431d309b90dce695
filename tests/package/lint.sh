#!/usr/bin/env bash
# Checks the Debian package as Debian's tools see it: lintian on the package and its source
# package beside it (no error, no warning: overrides carry their reason in debian/), and the
# desktop entry and AppStream metadata it installs through their validators; and that the
# copyright file and the metadata name the MIT licence.
#   tests/package/lint.sh DEB        (DEB: dist/demo_VERSION_ARCH.deb, its .dsc beside it)
set -u
[ $# -eq 1 ] || { echo "usage: lint.sh DEB" >&2; exit 2; }
deb=$1
version=$(dpkg-deb -f "$deb" Version)
dsc=$(dirname "$deb")/demo_$version.dsc
. "$(dirname "$0")/../support/checks.sh" lint
# Passes when the command succeeds; shows what it said when it does not.
check() { # WHAT COMMAND...
    local what=$1 output
    shift
    output=$("$@" 2>&1) && pass "$what" || { fail "$what"; echo "$output" | sed 's/^/  /'; }
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work" || { echo "lint: cannot unpack $deb" >&2; exit 1; }
[ -f "$dsc" ] || { echo "lint: no source package $dsc beside the package" >&2; exit 1; }

# lintian warns that it runs as root, which CI is: that line is no finding.
check "lintian finds no error and no warning in $(basename "$deb") and $(basename "$dsc")" \
    lintian --fail-on error,warning "$deb" "$dsc"
for metainfo in "$work"/usr/share/metainfo/*.xml; do
    # --no-net: the screenshot's address is not fetched.
    check "appstreamcli validates $(basename "$metainfo")" appstreamcli validate --no-net "$metainfo"
    grep -q "<release version=\"$version\"" "$metainfo" && pass "its newest release is $version" ||
        fail "its release is not $version: $(grep '<release ' "$metainfo")"
    grep -q '<project_license>MIT</project_license>' "$metainfo" && pass "its project licence is MIT" ||
        fail "its project licence is not MIT: $(grep '<project_license' "$metainfo")"
done
for desktop in "$work"/usr/share/applications/*.desktop; do
    check "desktop-file-validate passes $(basename "$desktop")" desktop-file-validate "$desktop"
done
# Every file of the package under the Expat (MIT) licence, its text in full.
copyright=$work/usr/share/doc/demo/copyright
awk '/^Files: \*$/ { files = 1 } files && /^License: / { print; exit }' "$copyright" 2>/dev/null |
    grep -qx 'License: Expat' && grep -q '^ Permission is hereby granted' "$copyright" &&
    pass "debian/copyright puts every file under the Expat licence, with its text" ||
    fail "debian/copyright does not put every file under the Expat licence"
[ "$passed" -ge 6 ] || fail "the package holds no desktop entry or no metadata"
finish
