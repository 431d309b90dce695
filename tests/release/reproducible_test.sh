#!/usr/bin/env bash
# Makes the release a second time from the same commit and checks that the Windows zips and the
# web page's archive come out the same, byte for byte, as the first time (dist/release-VERSION,
# made by scripts/release.sh before; made here first when it is missing). The package and the
# source package are compared too, and said, but not required to match.
#   tests/release/reproducible_test.sh
set -u
cd "$(dirname "$0")/../.."
. tests/support/checks.sh reproducible
version=$(scripts/version.sh)
release=dist/release-$version
[ -f "$release/SHA256SUMS" ] || scripts/release.sh >/dev/null || stop "the first release failed"
first=$(mktemp -d)
trap 'rm -rf "$first"' EXIT
cp "$release"/* "$first/"

started=$SECONDS
scripts/release.sh >"$first/second-run.log" 2>&1 || { tail -n 20 "$first/second-run.log"; stop "the second release failed"; }
echo "the second release took $((SECONDS - started)) s"
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
