#!/usr/bin/env bash
# scripts/install-wine32.sh where the i386 package lists cannot be had, without a broken mirror:
# its apt (and only its: APT_CONFIG) also reads a local repository whose i386 index never matches
# its Release file, as on a mirror caught mid-sync, while its amd64 index is sound. Three machines:
#   A. no i386: the script tries again, never adds i386, and says why in one line;
#   B. i386 added by an earlier run, with an i386 package installed since: it tries again, purges
#      the package, removes i386, says so in one line, and "apt-get update" works again, with the
#      broken repository still listed and for the machine as it is;
#   C. i386 the machine's own: it is left as it was, and the script fails, saying so.
#   tests/windows/install_wine32_test.sh
# It changes the machine's packages (as root; the i386 architecture, and wine32 with it, is
# removed at the end: scripts/install-wine32.sh brings it back), so it is run by hand, not by the
# test command or CI.
set -u
here=$(cd "$(dirname "$0")" && pwd)
script=$here/../../scripts/install-wine32.sh
marker=/var/lib/demo-wine32/i386-added
. "$here/../support/checks.sh" install-wine32

[ "$(id -u)" -eq 0 ] || stop "run it as root: it adds and removes the i386 architecture"
has_i386() { dpkg --print-foreign-architectures | grep -qx i386; }
if has_i386 && [ ! -f "$marker" ]; then
    stop "the machine's own i386 architecture is configured: the test would take it away"
fi
i386_packages() {
    dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Abbrev}\n' | awk '$1 ~ /:i386$/ && $2 !~ /^u/ { print $1 }'
}
# Leaves the machine without i386, as case A needs it and as the test leaves it.
remove_i386() {
    local packages
    packages=$(i386_packages)
    [ -z "$packages" ] || dpkg --purge $packages >/dev/null
    dpkg --remove-architecture i386 2>/dev/null
    rm -f "$marker"
}

work=$(mktemp -d /tmp/install-wine32-test-XXXXXX)
watcher=
trap '[ -n "$watcher" ] && kill "$watcher" 2>/dev/null; rm -rf "$work"' EXIT
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

# An i386 package to be purged: empty, depending on nothing.
mkdir -p "$work/dummy/DEBIAN"
printf 'Package: demo-wine32-test\nVersion: 1\nArchitecture: i386\nMaintainer: Demo <demo@localhost>\nDescription: an i386 package for the install-wine32 test\n' \
    >"$work/dummy/DEBIAN/control"
dpkg-deb --build "$work/dummy" "$work/dummy.deb" >/dev/null || stop "cannot build the i386 package"

# Runs the script with short tries; its output in $work/out-NAME and $work/err-NAME.
run_script() { # NAME
    local started=$SECONDS
    DEMO_WINE32_TRY_FOR=40 DEMO_WINE32_PAUSE=5 "$script" >"$work/out-$1" 2>"$work/err-$1"
    status=$?
    took=$((SECONDS - started))
    said=$(cat "$work/out-$1")
    sed 's/^/  | /' "$work/err-$1"
    retries=$(grep -c '^install-wine32: try [0-9]* failed' "$work/err-$1")
}
said_why() { # NAME ENDING
    [ "$status" -eq 0 ] && pass "$1: the script ended with 0 after $took s" || fail "$1: the script ended with $status"
    [ "$(wc -l <"$work/out-$1")" -eq 1 ] && [[ "$said" == "wine32 could not be installed in "*"; $2" ]] &&
        pass "$1: it said so in one line: $said" || fail "$1: it did not say so in one line: '$said'"
    [[ "$said" == *"binary-i386/Packages"* ]] && [[ "$said" != *"file:"* ]] && [[ "$said" != *"://"* ]] &&
        pass "$1: the line names the index that failed and why, without the repository's address" ||
        fail "$1: the line does not say which index failed and why, or names the repository"
    [ "$retries" -ge 1 ] && pass "$1: it tried again $retries times before giving up" || fail "$1: it never tried again"
}
apt_works() { # NAME
    apt-get update -qq >"$work/update.log" 2>&1 &&
        pass "$1: apt-get update works, the broken repository still listed" ||
        fail "$1: apt-get update fails: $(grep -m 1 '^E:' "$work/update.log")"
    APT_CONFIG=/dev/null apt-get update -qq >"$work/update.log" 2>&1 && pass "$1: the machine's own apt-get update works" ||
        fail "$1: the machine's own apt-get update fails: $(grep -m 1 '^E:' "$work/update.log")"
}

had_wine32=$(dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -c "install ok installed")
remove_i386
apt-get update -qq >"$work/update.log" 2>&1 &&
    pass "without i386 the broken repository does not stop apt-get update (its amd64 index is sound)" ||
    stop "apt-get update fails with the broken repository even without i386: $(grep -m 1 '^E:' "$work/update.log")"

# --- A. No i386 -----------------------------------------------------------------------------------
(while :; do has_i386 && echo seen >"$work/i386-seen"; sleep 0.2; done) &
watcher=$!
run_script A
kill "$watcher" && wait "$watcher" 2>/dev/null
watcher=
said_why A "the i386 architecture was not added"
[ ! -e "$work/i386-seen" ] && ! has_i386 && [ ! -e "$marker" ] &&
    pass "A: i386 was never configured while it tried" || fail "A: i386 was configured while it tried"
apt_works A

# --- B. i386 added by an earlier run, a package installed since ------------------------------------
dpkg --add-architecture i386 && mkdir -p "${marker%/*}" && touch "$marker" && dpkg -i "$work/dummy.deb" >/dev/null ||
    stop "B: cannot add i386 and install the i386 package"
apt-get update -qq >"$work/update.log" 2>&1 && fail "B: apt-get update works with i386 before the script" ||
    pass "B: with i386, apt-get update fails: $(grep -m 1 '^E:' "$work/update.log" | sed -E 's#file:[^ ]*/dists#.../dists#')"
run_script B
said_why B "the i386 architecture and its 1 packages were removed again"
has_i386 && fail "B: the i386 architecture is still configured" || pass "B: the i386 architecture is removed"
left=$(i386_packages)
[ -z "$left" ] && pass "B: no i386 package is left (the one installed was purged)" || fail "B: i386 packages are left: $(echo $left)"
[ ! -e "$marker" ] && pass "B: the note that the script added i386 is gone" || fail "B: the note that the script added i386 is still there"
apt_works B

# --- C. i386 the machine's own ----------------------------------------------------------------------
dpkg --add-architecture i386
run_script C
[ "$status" -ne 0 ] && [ -z "$said" ] && grep -q "machine's own i386 architecture is left as it was" "$work/err-C" &&
    pass "C: the script failed ($status) after $took s, saying that the machine's own i386 is left" ||
    fail "C: the script ended with $status, saying '$said'"
has_i386 && pass "C: the machine's own i386 is still configured" || fail "C: the machine's own i386 was removed"
remove_i386

[ "$had_wine32" -eq 1 ] && echo "wine32 was purged: scripts/install-wine32.sh brings it back"
finish
