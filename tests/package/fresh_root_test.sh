#!/usr/bin/env bash
# Installs, runs and purges the Debian package in a brand-new Debian 12 root, made by the team's
# fresh-debian tool, which runs a command in a new root on a clone of a repository's committed
# HEAD. The tool is $FRESH_DEBIAN, or ../shared/tools/fresh-debian beside this clone or beside the
# repository it was cloned from, or fresh-debian on the PATH; with --if-available, a machine
# without it gets a line saying the test did not run, and exit status 0. The package is not
# committed, so it goes in through a throwaway clone of this one that commits it; inside,
# tests/package/installed_package.sh does the rest. Needs root.
#   tests/package/fresh_root_test.sh [--if-available] DEB
set -euo pipefail
if_available=0
[ "${1:-}" = "--if-available" ] && { if_available=1; shift; }
[ $# -eq 1 ] || { echo "usage: fresh_root_test.sh [--if-available] DEB" >&2; exit 2; }
deb=$(realpath "$1")
clone=$(cd "$(dirname "$0")/../.." && pwd)
origin=$(git -C "$clone" remote get-url origin 2>/dev/null || true)
origin=${origin#file://}
fresh=""
for candidate in "${FRESH_DEBIAN:-}" "$clone/../shared/tools/fresh-debian" \
    "${origin:+$origin/../shared/tools/fresh-debian}" "$(command -v fresh-debian || true)"; do
    [ -n "$candidate" ] && [ -f "$candidate" ] && { fresh=$candidate; break; }
done
if [ -z "$fresh" ]; then
    echo "fresh_root_test: no fresh-debian beside this clone, beside its origin or on the PATH (set FRESH_DEBIAN)" >&2
    [ "$if_available" -eq 1 ] && { echo "fresh_root_test: NOT RUN"; exit 0; }
    exit 2
fi

carrier=$(mktemp -d /var/tmp/demo-package-test-XXXXXX)
trap 'rm -rf "$carrier"' EXIT
git clone -q --no-local --depth 1 "file://$clone" "$carrier/repo"
[ -z "$(git -C "$clone" status --porcelain --untracked-files=no -- tests)" ] ||
    echo "fresh_root_test: the root gets the committed tests/, not the changes to them" >&2
mkdir -p "$carrier/repo/package"
cp "$deb" "$carrier/repo/package/"
git -C "$carrier/repo" add -f package
git -C "$carrier/repo" -c user.name=test -c user.email=test@localhost commit -q -m "the package under test"

started=$SECONDS
status=0
bash "$fresh" "$carrier/repo" "tests/package/installed_package.sh package/$(basename "$deb")" || status=$?
echo "fresh_root_test: the brand-new root took $((SECONDS - started)) s"
exit $status
