#!/usr/bin/env bash
# scripts/capture-farm.sh on each of its schedulers, over short spans, with real parts: local
# processes, GNU parallel through an OpenSSH server on 127.0.0.1, and Slurm (munged, slurmctld
# and slurmd) with a node of this machine's CPUs; the services are started here from
# configurations written here (tests/farm/services.sh) and stopped when it ends.
#   tests/farm/capture_farm_test.sh local-resume|parallel-lossless|slurm-4k DEMO-CAPTURE MAKE-DATA
# local-resume: a segment killed part-way is rendered again on the next run, and only it; a
# damaged one too; the finished ones are left as they were.
# parallel-lossless: a lossless master joined from segments rendered over ssh decodes to the
# frames of the one-process master (framemd5).
# slurm-4k: the 4K command of the README as a job array of 8 segments and a dependent join; every
# frame within 35 dB of the PNG of its instant; then a resume through Slurm.
set -uo pipefail
case_name=$1
capture=$(realpath "$2")
make_data=$(realpath "$3")
root=$(cd "$(dirname "$0")/../.." && pwd)
farm="$root/scripts/capture-farm.sh"
. "$root/tests/support/checks.sh" "farm $case_name"
. "$root/tests/farm/services.sh"

if [ "$case_name" != local-resume ] && [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: sshd and slurmd start jobs as their users, which needs root"
    exit 77
fi

case "$case_name" in
parallel-lossless) needed=(parallel /usr/sbin/sshd ssh-keygen) ;;
slurm-4k) needed=(slurmctld slurmd munged mungekey sbatch) ;;
*) needed=() ;;
esac
for program in "${needed[@]}"; do
    command -v "$program" >/dev/null || stop "$program is not installed: scripts/install-packages.sh farm"
done

# slurmd (22.05) sets its cgroup plugin up even when it uses none: without the cgroup file
# system (a chroot that binds /sys alone) it cannot start.
if [ "$case_name" = slurm-4k ] && ! [[ "$(stat -f -c %T /sys/fs/cgroup 2>/dev/null)" =~ ^(tmpfs|cgroup2fs)$ ]]; then
    echo "SKIP: no cgroup file system at /sys/fs/cgroup, which slurmd needs"
    exit 77
fi

scratch=$(mktemp -d /tmp/demo-farm-test-XXXXXX)
cleanup() {
    stop_services
    rm -rf "$scratch"
}
trap cleanup EXIT
cd "$scratch" || exit 1
"$make_data" data >/dev/null || stop "make-data failed"

# Frames in the video and its sound's codec: "FRAMES SOUND".
describe() {
    local frames sound
    frames=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$1")
    sound=$(ffprobe -v error -select_streams a -show_entries stream=codec_name -of csv=p=0 "$1")
    echo "$frames ${sound:-none}"
}

# The video lasts SECONDS, to within a frame at 60 fps (Matroska keeps milliseconds, and its
# last sound packet's end comes out a few of them late).
lasts() { # video seconds
    ffprobe -v error -show_entries format=duration -of csv=p=0 "$1" |
        awk -v s="$2" '{ d = $1 - s; exit !(d < 1 / 60 && d > -1 / 60) }'
}

# The video's frames' timestamps, in frames, sorted, are 0, 1, 2, ...
timestamps_run_on() { # video fps
    ffprobe -v error -select_streams v:0 -show_entries packet=pts_time -of csv=p=0 "$1" | sort -g |
        awk -v fps="$2" '{ n = int($1 * fps + 0.5); if (n != NR - 1) { print "frame " NR - 1 " at " $1 " s"; bad = 1; exit } }
            END { exit bad }'
}

# A file's identity and contents, to show it was left alone.
fingerprint() { stat -c '%i %Y' "$1" && sha256sum <"$1"; }

case "$case_name" in
local-resume)
    # A flash report counts across seams: the farm sends it to one process instead.
    refused=$("$farm" --flash-report r.csv --from 0 --to 1000 -o refused.mp4 2>&1)
    [ $? -eq 2 ] && [ "$(printf '%s\n' "$refused" | wc -l)" -eq 1 ] && ! [ -e r.csv ] &&
        pass "--flash-report is refused in one line: $refused" ||
        fail "--flash-report through the farm: $refused"
    # A demo-capture that says which segments it was asked for, and its process id, so that
    # the test can kill exactly one of them.
    mkdir -p calls
    cat >capture-logged.sh <<EOF
#!/usr/bin/env bash
for ((i = 1; i <= \$#; i++)); do [ "\${!i}" = --frames ] && j=\$((i + 1)) && frames=\${!j}; done
echo "\${frames:-plan}" >>"$scratch/calls/log"
echo \$\$ >"$scratch/calls/\${frames:-plan}.pid"
exec "$capture" "\$@"
EOF
    chmod +x capture-logged.sh
    command=("$farm" --capture ./capture-logged.sh --scheduler local --jobs 1 --segments 4 --from 20000 --to 22000 -o local.mp4)
    "${command[@]}" >first.log 2>&1 &
    farm_pid=$!
    # Frames 1230-1260 are the second segment: killed once its file is being written. ffmpeg
    # makes the file when the first frame reaches it but fills it late (it holds a checksummed
    # Matroska cluster until the cluster closes): in a segment this short, waiting for content
    # could leave only the moment before the check and the rename, and miss it.
    for _ in $(seq 1 600); do [ -e local.segments/frames-001230-001260.mkv.part ] && break; sleep 0.1; done
    [ -s calls/1230-1260.pid ] && kill "$(cat calls/1230-1260.pid)" || fail "the second segment never started"
    wait "$farm_pid"
    status=$?
    [ "$status" -eq 1 ] && grep -q "1 of 5 pieces did not finish (frames-001230-001260.mkv)" first.log &&
        pass "a killed segment fails the run, which names it" ||
        fail "the run with a killed segment: status $status: $(cat first.log)"
    [ ! -e local.mp4 ] && [ ! -e local.segments/frames-001230-001260.mkv ] &&
        pass "nothing of the killed segment, and no output, looks done" ||
        fail "the killed segment or the output is there"
    declare -A before
    for f in local.segments/frames-001200-001230.mkv local.segments/frames-001260-001290.mkv local.segments/frames-001290-001320.mkv; do
        before[$f]=$(fingerprint "$f") || fail "$f was not rendered"
    done
    : >calls/log
    "${command[@]}" >second.log 2>&1 && pass "the same command again finishes" || fail "the second run: $(cat second.log)"
    grep -q "4 done, 1 to render" second.log && [ "$(grep -vc plan calls/log)" -eq 1 ] &&
        grep -qx 1230-1260 calls/log && pass "only the killed segment is rendered again" ||
        fail "what the second run rendered: $(grep -v plan calls/log | paste -sd' ')"
    for f in "${!before[@]}"; do
        [ "$(fingerprint "$f")" = "${before[$f]}" ] || fail "$f was touched"
    done
    pass "the finished segments are left as they were"
    [ "$(describe local.mp4)" = "120 aac" ] && lasts local.mp4 2 && pass "the output: 120 frames, 2 s, sound" ||
        fail "the output: $(describe local.mp4)"
    why=$(timestamps_run_on local.mp4 60) && pass "its timestamps run on" || fail "its timestamps: $why"

    # A segment damaged on disk is found and redone, and only it.
    f=local.segments/frames-001260-001290.mkv
    printf 'x' | dd of="$f" bs=1 seek=5000 conv=notrunc 2>/dev/null
    : >calls/log
    "${command[@]}" >third.log 2>&1 && grep -q "frames-001260-001290.mkv is damaged" third.log &&
        [ "$(grep -v plan calls/log | paste -sd' ')" = 1260-1290 ] &&
        pass "a damaged segment is said and rendered again, alone" ||
        fail "the run after damage: $(cat third.log)"
    ;;

parallel-lossless)
    start_sshd "$scratch/ssh" || stop "sshd did not start"
    echo "2/$SSH_LOGIN" >hosts
    "$farm" --scheduler parallel --hosts hosts --segments 4 --lossless --from 46000 --to 47000 \
        -o farm.mkv >farm.log 2>&1 && pass "capture-farm over ssh" || stop "capture-farm over ssh: $(cat farm.log)"
    # parallel's job log: each job's host, and its exit status.
    [ "$(awk -F'\t' 'NR > 1 && $2 == "127.0.0.1" && $7 == 0' farm.segments/logs/parallel.log | wc -l)" -eq 4 ] &&
        pass "4 segments rendered through ssh to 127.0.0.1" ||
        fail "parallel's job log: $(cat farm.segments/logs/parallel.log)"
    "$capture" --lossless --from 46000 --to 47000 -o master.mkv || stop "the one-process master"
    ffmpeg -v error -i master.mkv -map 0:v -f framemd5 - | grep -v '^#' >master.md5
    ffmpeg -v error -i farm.mkv -map 0:v -f framemd5 - | grep -v '^#' >farm.md5
    [ "$(wc -l <master.md5)" -eq 60 ] && cmp -s master.md5 farm.md5 &&
        pass "the joined lossless master is the one-process master, frame for frame" ||
        fail "framemd5 differs: $(diff master.md5 farm.md5 | head -n 4)"
    [ "$(describe farm.mkv)" = "60 flac" ] && lasts farm.mkv 1 && pass "FFV1 with FLAC sound, 60 frames, 1 s" ||
        fail "the master: $(describe farm.mkv)"
    ;;

slurm-4k)
    start_slurm "$scratch/slurm" || stop "Slurm did not start"
    command=("$farm" --scheduler slurm --segments 8 --size 3840x2160 --from 20000 --to 20400 -o demo-4k.mp4)
    "${command[@]}" >farm.log 2>&1 && pass "capture-farm through Slurm" || stop "capture-farm through Slurm: $(cat farm.log)"
    # The 8 segments and the sound piece.
    array=$(sed -n 's/.*Slurm job \([0-9]*\) renders 9 .*/\1/p' farm.log)
    [ -n "$array" ] && [ "$(ls demo-4k.segments/logs/slurm-"${array}"_*.log | wc -l)" -eq 9 ] &&
        pass "the segments and the sound ran as a job array of 9" || fail "the job array: $(cat farm.log)"
    [ "$(describe demo-4k.mp4)" = "24 aac" ] && lasts demo-4k.mp4 0.4 && pass "24 frames, 0.4 s, sound" ||
        fail "the 4K video: $(describe demo-4k.mp4)"
    [ "$(ffprobe -v error -show_entries stream=width,height -of csv=p=0 demo-4k.mp4 | head -n 1)" = 3840,2160 ] &&
        pass "3840 x 2160" || fail "its size"
    why=$(timestamps_run_on demo-4k.mp4 60) && pass "its timestamps run on" || fail "its timestamps: $why"
    # Every frame against the PNG of its instant, decoded with its chroma sited as encoded.
    "$capture" --size 3840x2160 --from 20000 --to 20400 -o frames/ || stop "the 4K PNGs"
    ffmpeg -v error -i demo-4k.mp4 -framerate 60 -start_number 1200 -i frames/frame-%06d.png -lavfi \
        "[0]scale=in_h_chr_pos=0:in_v_chr_pos=128:flags=bilinear+accurate_rnd+full_chroma_int,format=rgb24[v];[1]format=rgb24[p];[v][p]psnr=stats_file=psnr.log:shortest=1" \
        -f null - || stop "the PSNR comparison"
    lowest=$(awk '{ for (i = 1; i <= NF; i++) if ($i ~ /^psnr_avg:/) { split($i, f, ":"); v = f[2] == "inf" ? 99 : f[2] + 0; if (NR == 1 || v < m) m = v } } END { print NR, m }' psnr.log)
    awk -v l="$lowest" 'BEGIN { split(l, f, " "); exit !(f[1] == 24 && f[2] >= 35) }' &&
        pass "every frame above 35 dB against the PNG of its instant (frames, lowest dB: $lowest)" ||
        fail "frames and lowest PSNR: $lowest"

    # Resume through Slurm: one segment gone, one damaged; the other six are left alone.
    rm demo-4k.segments/frames-001209-001212.mkv
    printf 'x' | dd of=demo-4k.segments/frames-001218-001221.mkv bs=1 seek=3000 conv=notrunc 2>/dev/null
    kept=$(fingerprint demo-4k.segments/frames-001200-001203.mkv)
    "${command[@]}" >again.log 2>&1 && grep -q "7 done, 2 to render" again.log &&
        grep -q "renders 2 " again.log && pass "the run again renders the missing and the damaged segments" ||
        fail "the resumed run: $(cat again.log)"
    [ "$(fingerprint demo-4k.segments/frames-001200-001203.mkv)" = "$kept" ] &&
        pass "a finished segment is left as it was" || fail "a finished segment was rendered again"
    [ "$(describe demo-4k.mp4)" = "24 aac" ] && lasts demo-4k.mp4 0.4 && pass "and the video is whole again" ||
        fail "after the resume: $(describe demo-4k.mp4)"
    ;;
*)
    stop "no case '$case_name'"
    ;;
esac
finish
