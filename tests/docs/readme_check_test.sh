#!/usr/bin/env bash
# The documentation check itself, on a copy of the repository's files in a scratch directory:
# each fault made in the copy must show as a fault of its own, on the file and line it is in,
# beside whatever the copy's check already reports (so that this test says what it tests even
# while the real documents have a fault of their own):
# - an option of demo-capture renamed in its sources, where the README, the notes and the manual
#   page still name the old one, and a script's option renamed under the README's command;
# - an option missing from a manual page: taken out of demo-capture(1), and one that make-data
#   learns without its page hearing of it;
# - a broken link in the README and in CHANGELOG.md, and a path there that does not exist.
#   tests/docs/readme_check_test.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "readme_check_test: $*" >&2; failures=$((failures + 1)); }

# The files of the repository, committed or new (build and data directories are ignored).
copy() { # DIR
    mkdir -p "$1"
    git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
        tar --null -T - -cf - | tar -xf - -C "$1"
}
# The faults a copy's check reports, one a line, sorted, into FILE; its exit status in $status.
check_copy() { # DIR FILE
    status=0
    bash "$1/tests/docs/readme_check.sh" 2>"$scratch/stderr" >/dev/null || status=$?
    grep -v ' fault(s) in ' "$scratch/stderr" | sed 's/^readme_check: //' | sort >"$2" || true
}
# The faults a changed copy reports beyond the untouched copy's, into $found.
new_faults() { # DIR
    check_copy "$1" "$scratch/now"
    found=$(comm -13 "$scratch/before" "$scratch/now")
}
expect() { # CASE FAULTS PATTERN...: each pattern matches a line of FAULTS
    local case=$1 found=$2 pattern
    shift 2
    [ "$status" -eq 1 ] || fail "$case: the check exited with $status, not 1"
    for pattern in "$@"; do
        grep -E -- "$pattern" <<<"$found" >/dev/null || fail "$case: no fault like '$pattern' among:
${found:-(none)}"
    done
}

copy "$scratch/original"
check_copy "$scratch/original" "$scratch/before"

# A renamed option: --flash-report becomes --flash-log in demo-capture's sources, and run-demo.sh's
# --desktop becomes --wide.
cp -a "$scratch/original" "$scratch/renamed"
sed -i 's/"--flash-report"/"--flash-log"/g' "$scratch/renamed/tools/capture/CaptureOptions.cpp" \
    "$scratch/renamed/tools/capture/Segments.cpp"
sed -i 's/--desktop)/--wide)/' "$scratch/renamed/scripts/run-demo.sh"
grep -q -- '--wide)' "$scratch/renamed/scripts/run-demo.sh" || fail "run-demo.sh has no '--desktop)' to rename"
new_faults "$scratch/renamed"
expect "a renamed option" "$found" \
    '^README\.md:[0-9]+: demo-capture does not take --flash-report \(not in its sources\)$' \
    '^docs/safe-to-watch\.md:[0-9]+: demo-capture does not take --flash-report' \
    '^docs/man/demo-capture\.1\.in:[0-9]+: the page lists --flash-report, which demo-capture does not take' \
    '^docs/man/demo-capture\.1\.in:[0-9]+: demo-capture takes --flash-log \(its sources\), which its manual page does not list$' \
    '^docs/man/demo-capture\.1\.in:[0-9]+: demo-capture does not take --flash-report' \
    '^README\.md:[0-9]+: scripts/run-demo\.sh does not take --desktop$'

# An option missing from a manual page: --supersample's entry taken out of demo-capture(1), and a
# --force that make-data now reads.
cp -a "$scratch/original" "$scratch/unlisted"
page=$scratch/unlisted/docs/man/demo-capture.1.in
awk '/^\.TP$/ { held = $0; skip = 0; next }
     held != "" { if ($0 ~ /^\.BI \\-\\-supersample/) { skip = 1 } else { print held }; held = "" }
     !skip { print }' "$page" >"$page.new" && mv "$page.new" "$page"
grep -q -- '-supersample' "$page" && fail "demo-capture(1) still names --supersample"
sed -i 's|if (argc == 2 && std::strcmp(argv\[1\], "--version") == 0) {|if (argc == 2 \&\& std::strcmp(argv[1], "--force") == 0) return 0;\n&|' \
    "$scratch/unlisted/tools/make-data/main.cpp"
grep -q '"--force"' "$scratch/unlisted/tools/make-data/main.cpp" || fail "make-data's main.cpp has no --version test to put --force before"
new_faults "$scratch/unlisted"
expect "an option missing from a manual page" "$found" \
    '^docs/man/demo-capture\.1\.in:[0-9]+: demo-capture takes --supersample \(its sources\), which its manual page does not list$' \
    '^docs/man/make-data\.1\.in:[0-9]+: make-data takes --force \(its sources\), which its manual page does not list$'
[ "$(grep -c '^docs/man/demo-capture' <<<"$found")" -eq 1 ] ||
    fail "an option missing from a manual page: more than --supersample went missing: $found"

# A broken link in the README and one in the changelog, and a path in the changelog that is not
# there.
cp -a "$scratch/original" "$scratch/unlinked"
sed -i 's|](docs/testing.md)|](docs/tests.md)|' "$scratch/unlinked/README.md"
grep -q '](docs/tests.md)' "$scratch/unlinked/README.md" || fail "the README has no link to docs/testing.md to break"
printf '\n- See [the notes](docs/no-such-note.md) and `scripts/no-such-script.sh`.\n' >>"$scratch/unlinked/CHANGELOG.md"
new_faults "$scratch/unlinked"
expect "a broken link" "$found" \
    '^README\.md:[0-9]+: the link docs/tests\.md leads nowhere$' \
    '^CHANGELOG\.md:[0-9]+: the link docs/no-such-note\.md leads nowhere$' \
    '^CHANGELOG\.md:[0-9]+: scripts/no-such-script\.sh does not exist$'

# And the untouched copy reports the same on a second run: what the cases found, they made.
new_faults "$scratch/original"
[ -z "$found" ] || fail "the untouched copy reports other faults on a second run: $found"

if [ "$failures" -gt 0 ]; then
    echo "readme_check_test: $failures failure(s)" >&2
    exit 1
fi
echo "readme_check_test: the check finds a renamed option, an option missing from a manual page and a broken link"
