#!/usr/bin/env bash
# Makes the release twice from the same commit (scripts/release.sh) and checks that the Windows
# zips and the web page's archive come out the same, byte for byte. The second time without the
# Debian package, which is not required to match (a package records its build's time in places);
# the first, whole release is then put back in dist/release-VERSION.
#   tests/release/reproducible_test.sh
set -u
cd "$(dirname "$0")/../.."
. tests/support/checks.sh reproducible
version=$(scripts/version.sh)
release=dist/release-$version
commit=$(git rev-parse HEAD)
first=$(mktemp -d)
trap 'rm -rf "$first"' EXIT

for run in first second; do
    started=$SECONDS
    options=()
    [ "$run" = first ] || options=(--no-package)
    scripts/release.sh "${options[@]}" >"$first/$run.log" 2>&1 || { tail -n 20 "$first/$run.log"; stop "the $run release failed"; }
    echo "the $run release took $((SECONDS - started)) s"
    [ "$(git rev-parse HEAD)" = "$commit" ] || stop "HEAD moved during the $run release: nothing to compare"
    [ "$run" = first ] && cp "$release"/* "$first/"
done
for file in $(cd "$release" && ls | grep -v -e '^SHA256SUMS$'); do
    cmp -s "$first/$file" "$release/$file" &&
        pass "$file is the same, byte for byte ($(sha256sum <"$release/$file" | cut -c1-16)…)" ||
        fail "$file differs between the two runs"
done
[ "$passed" -ge 3 ] || fail "fewer than the two zips and the page archive were compared"
# The first release, whole, is the one the package's checks take.
rm -rf "$release"
mkdir -p "$release"
cp "$first"/* "$release/" && rm -f "$release"/*.log
(cd "$release" && sha256sum --quiet -c SHA256SUMS) && pass "the first release is back in $release, its sums right" ||
    fail "the first release could not be put back in $release"
finish
