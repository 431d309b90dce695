# Sourced by the scripts that check a build as a user meets it: counts the checks that passed and
# failed, and closes with the line "NAME: N passed, N failed".
#   . tests/support/checks.sh NAME
checks_name=$1
passed=0 failed=0
pass() { passed=$((passed + 1)); echo "ok: $*"; }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
# The closing line; ends the script, with 0 when nothing failed.
finish() {
    echo "$checks_name: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
}
# A failure that leaves nothing after it worth checking.
stop() { fail "$*"; finish; }
