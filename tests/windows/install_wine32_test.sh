#!/usr/bin/env bash
# scripts/install-wine32.sh where the i386 package lists cannot be had, without a broken mirror:
# its apt (and only its: APT_CONFIG) also reads a local repository whose i386 index never matches
# its Release file, as on a mirror caught mid-sync, while its amd64 index is sound. Checks that the
# script tries again, gives up, purges every i386 package and removes the architecture, says so in
# one line, and leaves an "apt-get update" that works, with the broken repository still listed and
# for the machine as it is.
#   tests/windows/install_wine32_test.sh
# It changes the machine's packages (as root; wine32, if there, is purged: scripts/install-wine32.sh
# brings it back), so it is run by hand, not by the test command or CI.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../..
. "$here/../support/checks.sh" install-wine32

[ "$(id -u)" -eq 0 ] || stop "run it as root: it adds and removes the i386 architecture"
if dpkg --print-foreign-architectures | grep -qx i386 && [ ! -f /var/lib/demo-wine32/i386-added ]; then
    stop "the machine's own i386 architecture is configured: install-wine32.sh would rightly leave it"
fi
had_wine32=$(dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -c "install ok installed")

work=$(mktemp -d /tmp/install-wine32-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"

# The repository: an empty amd64 index, and an i386 index that is not the one its Release file
# names (same size, another hash), as when the Release file is the next sync's.
repo=$work/repo
index=$repo/dists/demo/main/binary
mkdir -p "$index-amd64" "$index-i386"
: >"$index-amd64/Packages"
echo "Package: demo-prev" >"$index-i386/Packages"
{
    printf 'Suite: demo\nCodename: demo\nArchitectures: amd64 i386\nComponents: main\n'
    echo "Date: $(date -u -R)"
    echo "SHA256:"
    echo " $(sha256sum <"$index-amd64/Packages" | cut -d ' ' -f 1) 0 main/binary-amd64/Packages"
    echo " $(echo "Package: demo-next" | sha256sum | cut -d ' ' -f 1) $(stat -c %s "$index-i386/Packages") main/binary-i386/Packages"
} >"$repo/dists/demo/Release"
mkdir -p "$work/sources.list.d"
cp /etc/apt/sources.list.d/*.sources "$work/sources.list.d/" 2>/dev/null
cp /etc/apt/sources.list.d/*.list "$work/sources.list.d/" 2>/dev/null
printf 'Types: deb\nURIs: file:%s\nSuites: demo\nComponents: main\nTrusted: yes\n' "$repo" \
    >"$work/sources.list.d/demo-mid-sync.sources"
echo "Dir::Etc::sourceparts \"$work/sources.list.d\";" >"$work/apt.conf"
export APT_CONFIG=$work/apt.conf

apt-get update -qq >"$work/update-before.log" 2>&1 &&
    pass "without i386 the broken repository does not stop apt-get update (its amd64 index is sound)" ||
    fail "apt-get update fails with the broken repository even without i386: $(tail -n 2 "$work/update-before.log")"

started=$SECONDS
DEMO_WINE32_TRY_FOR=60 DEMO_WINE32_PAUSE=5 "$root/scripts/install-wine32.sh" >"$work/out" 2>"$work/err"
status=$?
took=$((SECONDS - started))
sed 's/^/  | /' "$work/err"
said=$(cat "$work/out")
[ "$status" -eq 0 ] && pass "install-wine32.sh ended with 0 after $took s" ||
    fail "install-wine32.sh ended with $status"
[ "$(wc -l <"$work/out")" -eq 1 ] && [[ "$said" == "wine32 could not be installed in "*"; the i386 architecture was removed again" ]] &&
    pass "it said so in one line: $said" || fail "it did not say so in one line: '$said'"
[[ "$said" == *"binary-i386/Packages"*"Hash Sum mismatch"* ]] && [[ "$said" != *"file:"* ]] &&
    pass "the line names the index that failed, and why, without the repository's address" ||
    fail "the line does not say which index failed and why, or names the repository"
retries=$(grep -c '^install-wine32: try [0-9]* failed' "$work/err")
[ "$retries" -ge 2 ] && pass "it tried again $retries times before giving up" ||
    fail "it tried again $retries times"
dpkg --print-foreign-architectures | grep -qx i386 && fail "the i386 architecture is still configured" ||
    pass "the i386 architecture is removed"
left=$(dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Abbrev}\n' | awk '$1 ~ /:i386$/ && $2 !~ /^u/')
[ -z "$left" ] && pass "no i386 package is left$([ "$had_wine32" -eq 1 ] && echo ", wine32 included")" ||
    fail "i386 packages are left: $(echo $left)"
[ ! -e /var/lib/demo-wine32/i386-added ] && pass "its note that it added i386 is gone" ||
    fail "its note that it added i386 is still there"
apt-get update -qq >"$work/update-after.log" 2>&1 &&
    pass "apt-get update works again, the broken repository still listed" ||
    fail "apt-get update fails afterwards: $(tail -n 2 "$work/update-after.log")"
unset APT_CONFIG
apt-get update -qq >"$work/update-machine.log" 2>&1 && pass "the machine's own apt-get update works" ||
    fail "the machine's own apt-get update fails: $(tail -n 2 "$work/update-machine.log")"
finish
