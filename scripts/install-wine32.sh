#!/usr/bin/env bash
# Fresh package lists, then what runs the Windows zips under Wine: the `windows` set and, for the
# 32-bit zip, Debian's wine32 through the i386 architecture (the `wine32` set of
# scripts/install-packages.sh, with Mesa's i386 GL). CI runs it in place of a bare
# "apt-get update".
#   scripts/install-wine32.sh
#
# Standard output is empty when wine32 is ready. The i386 lists are not always to be had: while a
# mirror is mid-sync an i386 index fails to download, every "apt-get update" then fails for as long
# as i386 is configured, and installs report held packages. So the i386 lists are first fetched
# into a directory of the script's own, and the architecture is added only once they come whole;
# a failed try is repeated every $DEMO_WINE32_PAUSE seconds (30) for $DEMO_WINE32_TRY_FOR seconds
# (180). If none succeeds, the script takes away what it added (every i386 package, then the
# architecture), checks that "apt-get update" works again, prints ONE line on standard output
# saying why wine32 could not be had, and exits 0: the caller says the 32-bit zip was not run.
#
# It removes i386 only when it added it itself, now or in an earlier run (noted in $marker): an
# i386 the machine had before is left alone. Anything else (apt failing without i386, a purge
# that fails) exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."

try_for=${DEMO_WINE32_TRY_FOR:-180}
pause=${DEMO_WINE32_PAUSE:-30}
marker=/var/lib/demo-wine32/i386-added
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
log=$(mktemp)
trap 'rm -f "$log"' EXIT

say() { echo "install-wine32: $*" >&2; }
has_i386() { dpkg --print-foreign-architectures | grep -qx i386; }
i386_packages() {
    dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Abbrev}\n' |
        awk '$1 ~ /:i386$/ && $2 !~ /^u/ { print $1 }'
}
# apt's words without the mirror's address.
without_hosts() { sed -E 's#[a-z][a-z0-9+.-]*://[^/ ]*##g; s#file:##g; s/ *\[IP: [^]]*\]//g'; }
# apt's first complaint in the last try, on one line.
why() {
    { grep -m 1 '^E:' "$log" || grep -m 1 -E '^(Err|W):' "$log" || tail -n 1 "$log"; } |
        without_hosts | sed -E 's/^(E|Err|W): */apt: /; s/[[:space:]]+/ /g' | cut -c 1-200
}
# Fetches the lists for the native architecture and i386 into a directory of our own: the
# machine's apt neither sees nor waits for it.
probe_i386() {
    local lists status=0
    lists=$(mktemp -d)
    chmod 755 "$lists" # apt downloads as its own user
    $sudo apt-get update -qq -o Dir::State::Lists="$lists" \
        -o APT::Architectures::="$(dpkg --print-architecture)" -o APT::Architectures::=i386 || status=$?
    $sudo rm -rf "$lists"
    return "$status"
}

# A marker whose architecture has gone since (removed by hand) means nothing any more.
has_i386 || $sudo rm -f "$marker"

# Fresh lists for all the rest: a failure without i386 is the machine's, not the i386 lists'.
$sudo apt-get update -qq >"$log" 2>&1 || has_i386 ||
    { without_hosts <"$log" >&2; say "apt-get update fails without the i386 architecture"; exit 1; }

# One try: without i386, its lists fetched aside first; then fresh lists and the wine32 set where
# it is missing (install-packages.sh adds i386).
try_wine32() {
    : >"$log"
    if ! has_i386; then
        probe_i386 >>"$log" 2>&1 || return 1
        $sudo mkdir -p "${marker%/*}" && $sudo touch "$marker"
    fi
    { $sudo apt-get update -qq && scripts/install-packages.sh windows wine32; } >>"$log" 2>&1
}

started=$SECONDS
tries=1
until try_wine32; do
    reason=$(why)
    if [ $((SECONDS - started + pause)) -gt "$try_for" ]; then
        give_up=1
        break
    fi
    say "try $tries failed ($reason); again in $pause s, for $((try_for - (SECONDS - started))) s more"
    sleep "$pause"
    tries=$((tries + 1))
done
if [ -z "${give_up:-}" ]; then
    grep '^Installing: ' "$log" >&2 || true
    say "wine32 is ready ($tries tries, $((SECONDS - started)) s)"
    exit 0
fi

# Give up: leave apt as it was before i386 came.
if [ -f "$marker" ]; then
    packages=$(i386_packages)
    if [ -n "$packages" ]; then
        say "purging the i386 packages: $(echo $packages)"
        DEBIAN_FRONTEND=noninteractive $sudo dpkg --purge $packages >&2
    fi
    $sudo dpkg --remove-architecture i386
    $sudo rm -f "$marker"
    undone="the i386 architecture and its $(echo $packages | wc -w) packages were removed again"
elif ! has_i386; then
    undone="the i386 architecture was not added"
else
    undone="the machine's own i386 architecture is left as it was"
fi
$sudo apt-get update -qq >"$log" 2>&1 ||
    { without_hosts <"$log" >&2; say "apt-get update still fails after giving up wine32 ($undone)"; exit 1; }
echo "wine32 could not be installed in $tries tries over $((SECONDS - started)) s ($reason); $undone"
