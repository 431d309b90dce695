#!/usr/bin/env bash
# Installs, runs and purges the Debian package in a brand-new Debian 12 root, made by the team's
# fresh-debian tool (../shared/tools/fresh-debian beside the clone, or $FRESH_DEBIAN), which runs
# a command in a new root on a clone of a repository's committed HEAD. The package is not
# committed, so it goes in through a throwaway clone of this one that commits it; inside,
# tests/package/installed_package.sh does the rest. Needs root.
#   tests/package/fresh_root_test.sh DEB
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: fresh_root_test.sh DEB" >&2; exit 2; }
deb=$(realpath "$1")
clone=$(cd "$(dirname "$0")/../.." && pwd)
fresh=${FRESH_DEBIAN:-$clone/../shared/tools/fresh-debian}
[ -f "$fresh" ] || { echo "fresh_root_test: no fresh-debian at $fresh (set FRESH_DEBIAN)" >&2; exit 2; }

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
