#!/usr/bin/env bash
# Packs a data directory for the web page: OUT/demo.data, emscripten's package of the files (as
# its file_packager lays them out), OUT/demo.data.gz, the same compressed (what the page fetches
# and inflates where the browser can), and OUT/demo.data.json, where each file lies in it and the
# total size, which the page reads before the download so that its bar counts real bytes whatever
# the host does to them.
#   scripts/pack-web-data.sh DATA_DIR OUT_DIR
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: pack-web-data.sh DATA_DIR OUT_DIR" >&2; exit 2; }
data=$1 out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The page hands each file to the program as soon as it has arrived, so they go in the order the
# demo loads them (the track, then the scenes' files in the schedule's order); any other file
# follows, in name order. The demo reads "data/..." from the working directory, which is the file
# system's root.
order=(music.ogg city_bw.jpg city_bw1.jpg logo1.jpg texture6.jpg sphere1.obj figure.obj inside.obj
    texture7.jpg star.obj sphere2.obj texture3.jpg texture5.jpg credits.jpg)
files=()
for name in "${order[@]}"; do [ -f "$data/$name" ] && files+=("$data/$name@/data/$name"); done
while IFS= read -r -d '' path; do
    name=${path#"$data"/}
    [[ " ${order[*]} " == *" $name "* ]] || files+=("$path@/data/$name")
done < <(find "$data" -type f -print0 | sort -z)
python3 /usr/share/emscripten/tools/file_packager.py "$out/demo.data" --preload "${files[@]}" \
    --js-output="$work/data.js" --separate-metadata --no-node 2>&1 >/dev/null |
    grep -v FORCE_FILESYSTEM >&2 || true
[ -s "$work/data.js.metadata" ] || { echo "pack-web-data: packing $data failed" >&2; exit 1; }
# Without the packager's random package id, the same files give the same bytes (and the page's
# offline cache keeps its version).
python3 - "$work/data.js.metadata" "$out/demo.data.json" <<'EOF_PYTHON'
import json, sys
metadata = json.load(open(sys.argv[1]))
files = [{"name": f["filename"], "start": f["start"], "end": f["end"]} for f in metadata["files"]]
json.dump({"bytes": metadata["remote_package_size"], "files": files}, open(sys.argv[2], "w"))
EOF_PYTHON
# zopfli: the same gzip format, 3.5 % smaller than gzip -9 here (the meshes are text), the same
# bytes on every run.
zopfli -c "$out/demo.data" >"$out/demo.data.gz"
