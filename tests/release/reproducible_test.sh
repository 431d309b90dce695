#!/usr/bin/env bash
# Makes the release twice from the same commit (scripts/release.sh) and checks that the Windows
# zips and the web page's archive come out the same, byte for byte. The package and the source
# package are compared too, and said, but not required to match. The second release stays in
# dist/release-VERSION.
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
    scripts/release.sh >"$first/$run.log" 2>&1 || { tail -n 20 "$first/$run.log"; stop "the $run release failed"; }
    echo "the $run release took $((SECONDS - started)) s"
    [ "$(git rev-parse HEAD)" = "$commit" ] || stop "HEAD moved during the $run release: nothing to compare"
    [ "$run" = first ] && cp "$release"/* "$first/"
done
for file in $(cd "$first" && ls | grep -v -e '^SHA256SUMS$' -e '\.log$'); do
    if cmp -s "$first/$file" "$release/$file"; then
        pass "$file is the same, byte for byte ($(sha256sum <"$release/$file" | cut -c1-16)…)"
    else
        case "$file" in
        *.zip | demo-web-*.tar.gz) fail "$file differs between the two runs" ;;
        *) echo "note: $file differs between the two runs (not required to match)" ;;
        esac
    fi
done
[ "$passed" -ge 3 ] || fail "fewer than the two zips and the page archive were compared"
finish
