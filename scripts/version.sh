#!/usr/bin/env bash
# Prints the project's version, as project(... VERSION ...) in CMakeLists.txt sets it.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project([a-z]* VERSION \([0-9][0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "version: no project(... VERSION ...) in CMakeLists.txt" >&2; exit 1; }
echo "$version"
