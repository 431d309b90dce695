#!/usr/bin/env bash
# Fresh package lists, then what runs the Windows zips under Wine: the `windows` set and, for the
# 32-bit zip, Debian's wine32 through the i386 architecture (the `wine32` set of
# scripts/install-packages.sh, with Mesa's i386 GL). CI runs it in place of a bare
# "apt-get update".
#   scripts/install-wine32.sh
#   scripts/install-wine32.sh --probe    # says whether this machine's kernel runs 32-bit programs
#
# Standard output is empty when wine32 is ready. Otherwise it holds ONE line saying why wine32
# cannot be had, the script exits 0, and the caller says the 32-bit zip was not run:
# - The kernel runs no 32-bit programs (built without IA-32 emulation, or with it turned off):
#   found before apt is touched, by running a 96-byte i386 program that only exits, and then
#   nothing is added. Wine would gain nothing from i386 there and lose its 64-bit programs too:
#   Debian's /usr/bin/wine takes the 32-bit loader whenever wine32 is installed.
#   DEMO_KERNEL_RUNS_I386=yes or no forces the answer, for the tests.
# - The 32-bit Wine loader, once installed, does not start: the install is undone.
# - The i386 lists are not to be had: while a mirror is mid-sync an i386 index fails to download,
#   every "apt-get update" then fails for as long as i386 is configured, and installs report held
#   packages. So the i386 lists are first fetched into a directory of the script's own, and the
#   architecture is added only once they come whole; a failed try is repeated every
#   $DEMO_WINE32_PAUSE seconds (30) for $DEMO_WINE32_TRY_FOR seconds (180), and if none succeeds
#   the script undoes what it added. That line alone begins "wine32 could not be installed":
#   only then is a later try worth making.
# Undoing takes away every i386 package the script added (protected ones too, such as
# libgcc-s1:i386, which a plain purge refuses), then the architecture, and checks that
# "apt-get update" works again.
#
# It removes i386 only when it added it itself, now or in an earlier run (noted in $marker): an
# i386 the machine had before is left alone, with only the packages added now taken away. Anything
# else (apt failing without i386, a purge that fails) exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."

try_for=${DEMO_WINE32_TRY_FOR:-180}
pause=${DEMO_WINE32_PAUSE:-30}
marker=/var/lib/demo-wine32/i386-added
loader32=/usr/lib/wine/wine
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
work=$(mktemp -d)
log=$work/log
trap 'rm -rf "$work"' EXIT

say() { echo "install-wine32: $*" >&2; }
has_i386() { dpkg --print-foreign-architectures | grep -qx i386; }
i386_packages() {
    dpkg-query -W -f='${Package}:${Architecture} ${db:Status-Abbrev}\n' |
        awk '$1 ~ /:i386$/ && $2 !~ /^u/ { print $1 }' | sort
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
fetch_i386_lists() {
    local lists status=0
    lists=$(mktemp -d)
    chmod 755 "$lists" # apt downloads as its own user
    $sudo apt-get update -qq -o Dir::State::Lists="$lists" \
        -o APT::Architectures::="$(dpkg --print-architecture)" -o APT::Architectures::=i386 || status=$?
    $sudo rm -rf "$lists"
    return "$status"
}

# Whether the kernel runs an i386 program: one that exits with 42, written out byte by byte (an ELF
# header, one program header, three instructions), in the clone, where programs surely may run.
kernel_runs_i386() {
    case "${DEMO_KERNEL_RUNS_I386:-}" in
    yes) return 0 ;;
    no) kernel_said="forced by DEMO_KERNEL_RUNS_I386=no" && return 1 ;;
    esac
    local dir status=0
    dir=$(mktemp -d "$PWD/.i386-probe-XXXXXX")
    {
        # 32-bit, little-endian, an executable for the 80386, entry 0x08048054
        printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'
        printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000'
        printf '\000\000\000\000\064\000\040\000\001\000\050\000\000\000\000\000'
        # the whole 96 bytes loaded at 0x08048000, readable and executable
        printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010'
        printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000'
        # mov eax, 1 (exit); mov ebx, 42; int 0x80
        printf '\270\001\000\000\000\273\052\000\000\000\315\200'
    } >"$dir/exit-42"
    chmod +x "$dir/exit-42"
    "$dir/exit-42" 2>"$dir/said" || status=$?
    kernel_said="it ended with $status: $(sed 's#.*exit-42: ##' "$dir/said" | head -n 1)"
    rm -rf "$dir"
    [ "$status" -eq 42 ]
}
if [ "${1:-}" = --probe ]; then
    kernel_runs_i386 && echo "this machine's kernel runs 32-bit programs" && exit 0
    echo "this machine's kernel runs no 32-bit programs ($kernel_said)"
    exit 1
fi

# Takes away what the script added, leaving apt as it was before: every i386 package where i386 is
# the script's own, else those added since it started. Says what it did in `undone`.
undo_i386() {
    local packages
    if [ -f "$marker" ]; then
        packages=$(i386_packages)
    else
        packages=$(comm -13 <(echo "$i386_before") <(i386_packages))
    fi
    if [ -n "$packages" ]; then
        say "purging the i386 packages: $(echo $packages)"
        # Protected ones too (libgcc-s1:i386): they protect nothing once i386 goes.
        DEBIAN_FRONTEND=noninteractive $sudo dpkg --purge --force-remove-protected \
            --force-remove-essential $packages >&2
    fi
    if [ -f "$marker" ]; then
        $sudo dpkg --remove-architecture i386
        $sudo rm -f "$marker"
        undone="the i386 architecture and its $(echo $packages | wc -w) packages were removed again"
    elif ! has_i386; then
        undone="the i386 architecture was not added"
    else
        undone="the machine's own i386 architecture is left as it was"
        [ -z "$packages" ] || undone="$undone, the $(echo $packages | wc -w) packages added removed again"
    fi
    $sudo apt-get update -qq >"$log" 2>&1 ||
        { without_hosts <"$log" >&2; say "apt-get update still fails after giving up wine32 ($undone)"; exit 1; }
}

# A marker whose architecture has gone since (removed by hand) means nothing any more.
has_i386 || $sudo rm -f "$marker"
i386_before=$(i386_packages)

if ! kernel_runs_i386; then
    say "an i386 program does not run here ($kernel_said)"
    # An earlier run's i386 is no use here, and its wine32 would take the 64-bit programs' Wine.
    if [ -f "$marker" ]; then
        undo_i386
        say "$undone"
    else
        $sudo apt-get update -qq >"$log" 2>&1 || { without_hosts <"$log" >&2; exit 1; }
    fi
    echo "this machine's kernel runs no 32-bit programs"
    exit 0
fi

# Fresh lists for all the rest: a failure without i386 is the machine's, not the i386 lists'.
$sudo apt-get update -qq >"$log" 2>&1 || has_i386 ||
    { without_hosts <"$log" >&2; say "apt-get update fails without the i386 architecture"; exit 1; }

# One try: without i386, its lists fetched aside first; then fresh lists and the wine32 set where
# it is missing (install-packages.sh adds i386).
try_wine32() {
    : >"$log"
    if ! has_i386; then
        fetch_i386_lists >>"$log" 2>&1 || return 1
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
    # A kernel that runs the probe may still not run Wine's loader (a seccomp filter, a 32-bit
    # syscall table switched off).
    if "$loader32" --version >"$log" 2>&1; then
        say "wine32 is ready ($tries tries, $((SECONDS - started)) s; $(head -n 1 "$log"))"
        exit 0
    fi
    reason="the 32-bit Wine loader does not start: $(head -n 1 "$log" | sed -E 's/^.*: line [0-9]+: //; s/[[:space:]]+/ /g' | cut -c 1-160)"
    undo_i386
    echo "wine32 was installed but $reason; $undone"
    exit 0
fi

undo_i386
echo "wine32 could not be installed in $tries tries over $((SECONDS - started)) s ($reason); $undone"
