#!/usr/bin/env bash
# scripts/install-wine32.sh where wine32 cannot be had, without a broken mirror or another kernel:
# its apt (and only its: APT_CONFIG) also reads a local repository whose i386 index never matches
# its Release file, as on a mirror caught mid-sync, while its amd64 index is sound; and the answer
# of its probe of the kernel is forced where a case needs the other one. Five machines:
#   A. no i386: the script tries again, never adds i386, and says why in one line;
#   B. i386 added by an earlier run, with a protected i386 package installed since: it tries again,
#      purges the package, removes i386, says so in one line, and "apt-get update" works again,
#      with the broken repository still listed and for the machine as it is;
#   C. i386 the machine's own: it is left as it was, and the script fails, saying so;
#   D. a kernel that runs no 32-bit programs: without i386, the script adds nothing and says why
#      at once; with an earlier run's i386 and package, it takes them away;
#   E. the real kernel with the real mirror: where it runs no 32-bit programs, the probe is told
#      that it does, so that wine32 (with the protected libgcc-s1:i386) is installed for real, its
#      loader fails, and the install is undone, leaving Wine running 64-bit programs; where it
#      runs them, wine32 installs and its loader starts.
#   tests/windows/install_wine32_test.sh
# It changes the machine's packages (as root; the i386 architecture, and wine32 with it, is
# removed at the end: scripts/install-wine32.sh brings it back), so it is run by hand, not by the
# test command or CI. About five minutes, most of them E's install.
set -u
here=$(cd "$(dirname "$0")" && pwd)
script=$here/../../scripts/install-wine32.sh
marker=/var/lib/demo-wine32/i386-added
. "$here/../support/checks.sh" install-wine32

[ "$(id -u)" -eq 0 ] || stop "run it as root: it adds and removes the i386 architecture"
probe=$("$script" --probe)
kernel_runs=$?
echo "the probe: $probe"
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
    [ -z "$packages" ] || dpkg --purge --force-remove-protected $packages >/dev/null
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

# An i386 package to be purged: empty, depending on nothing, and protected as libgcc-s1 is (a plain
# "dpkg --purge" refuses it).
mkdir -p "$work/dummy/DEBIAN"
printf 'Package: demo-wine32-test\nVersion: 1\nArchitecture: i386\nProtected: yes\nMaintainer: Demo <demo@localhost>\nDescription: an i386 package for the install-wine32 test\n' \
    >"$work/dummy/DEBIAN/control"
dpkg-deb --build "$work/dummy" "$work/dummy.deb" >/dev/null || stop "cannot build the i386 package"

# Runs the script with short tries, its probe told that the kernel runs 32-bit programs unless
# `kernel` says otherwise (empty: the probe's own answer); its output in $work/out-NAME and
# $work/err-NAME.
run_script() { # NAME
    local started=$SECONDS answer=${kernel-yes}
    env ${answer:+DEMO_KERNEL_RUNS_I386=$answer} DEMO_WINE32_TRY_FOR=${try_for:-40} DEMO_WINE32_PAUSE=5 \
        "$script" >"$work/out-$1" 2>"$work/err-$1"
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
    [ -z "${APT_CONFIG:-}" ] || { apt-get update -qq >"$work/update.log" 2>&1 &&
        pass "$1: apt-get update works, the broken repository still listed" ||
        fail "$1: apt-get update fails: $(grep -m 1 '^E:' "$work/update.log")"; }
    APT_CONFIG=/dev/null apt-get update -qq >"$work/update.log" 2>&1 && pass "$1: the machine's own apt-get update works" ||
        fail "$1: the machine's own apt-get update fails: $(grep -m 1 '^E:' "$work/update.log")"
}

had_wine32=$(dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -c "install ok installed")
remove_i386
apt-get update -qq >"$work/update.log" 2>&1 &&
    pass "without i386 the broken repository does not stop apt-get update (its amd64 index is sound)" ||
    stop "apt-get update fails with the broken repository even without i386: $(grep -m 1 '^E:' "$work/update.log")"

nothing_left() { # NAME
    local left
    left=$(i386_packages)
    [ -z "$left" ] && pass "$1: no i386 package is left (the protected one purged too)" || fail "$1: i386 packages are left: $(echo $left)"
    [ ! -e "$marker" ] && pass "$1: the note that the script added i386 is gone" || fail "$1: the note that the script added i386 is still there"
}
# Watches for i386 while the script runs: true when it was never configured.
watch_i386() {
    rm -f "$work/i386-seen"
    (while :; do has_i386 && echo seen >"$work/i386-seen"; sleep 0.2; done) &
    watcher=$!
}
unwatch_i386() {
    kill "$watcher" && wait "$watcher" 2>/dev/null
    watcher=
    [ ! -e "$work/i386-seen" ] && ! has_i386 && [ ! -e "$marker" ]
}

# --- A. No i386 -----------------------------------------------------------------------------------
watch_i386
run_script A
said_why A "the i386 architecture was not added"
unwatch_i386 &&
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
nothing_left B
apt_works B

# --- C. i386 the machine's own ----------------------------------------------------------------------
dpkg --add-architecture i386
run_script C
[ "$status" -ne 0 ] && [ -z "$said" ] && grep -q "machine's own i386 architecture is left as it was" "$work/err-C" &&
    pass "C: the script failed ($status) after $took s, saying that the machine's own i386 is left" ||
    fail "C: the script ended with $status, saying '$said'"
has_i386 && pass "C: the machine's own i386 is still configured" || fail "C: the machine's own i386 was removed"
remove_i386

# --- D. A kernel that runs no 32-bit programs -------------------------------------------------------
no_32_bit() { # NAME
    [ "$status" -eq 0 ] && [ "$said" = "this machine's kernel runs no 32-bit programs" ] && [ "$retries" -eq 0 ] &&
        pass "$1: it said at once ($took s), in one line: $said" || fail "$1: it ended with $status after $took s, saying '$said'"
}
watch_i386
kernel=no run_script D1
no_32_bit D1
unwatch_i386 && pass "D1: i386 was never configured" || fail "D1: i386 was configured"
dpkg --add-architecture i386 && touch "$marker" && dpkg -i "$work/dummy.deb" >/dev/null ||
    stop "D2: cannot add i386 and install the i386 package"
kernel=no run_script D2
no_32_bit D2
has_i386 && fail "D2: the earlier run's i386 is still configured" || pass "D2: the earlier run's i386 is removed"
nothing_left D2
apt_works D2

# --- E. The real kernel, the real mirror --------------------------------------------------------------
unset APT_CONFIG
if [ "$kernel_runs" -ne 0 ]; then
    try_for=0 run_script E
    [ "$status" -eq 0 ] && [[ "$said" == "wine32 was installed but the 32-bit Wine loader does not start: "*"; the i386 architecture and its "*" packages were removed again" ]] &&
        pass "E: it installed wine32, found that its loader does not start, and undid it, saying so in one line: $said" ||
        fail "E: it ended with $status, saying '$said'"
    grep -q "purging the i386 packages: .*libgcc-s1:i386" "$work/err-E" && pass "E: the protected libgcc-s1:i386 was among those purged" ||
        fail "E: libgcc-s1:i386 was not among those purged"
    has_i386 && fail "E: the i386 architecture is still configured" || pass "E: the i386 architecture is removed"
    nothing_left E
    apt_works E
    version=$(WINEDEBUG=-all wine --version 2>&1) && pass "E: wine runs 64-bit programs again ($version)" ||
        fail "E: wine fails: $version"
else
    kernel= try_for=0 run_script E
    [ "$status" -eq 0 ] && [ -z "$said" ] && version=$(/usr/lib/wine/wine --version 2>&1) &&
        pass "E: wine32 is installed and its loader starts ($version)" || fail "E: it ended with $status, saying '$said'"
    remove_i386
fi

[ "$had_wine32" -eq 1 ] && echo "wine32 was purged: scripts/install-wine32.sh brings it back"
finish
