#!/usr/bin/env bash
# Records the demo in segments on many processes or machines and joins them into one video:
# demo-capture --plan splits the span into N segments and says which the work directory holds
# already (whole, checked, made with the same options); the others are rendered as
# demo-capture --frames A-B through a scheduler, and so is the span's sound (AAC) for an MP4 or
# QuickTime output; demo-capture --join puts them together and checks the result. Run it again
# after a crash, a killed job or a lost node: only the pieces that are missing or damaged are
# rendered again.
#
#   scripts/capture-farm.sh [--scheduler local|parallel|slurm] [--segments N] [--work DIR]
#       [--capture PATH] [--hosts FILE] [--jobs N] [--cpus-per-segment N]
#       DEMO-CAPTURE-OPTIONS... -o OUTPUT.mp4|.mkv|.mov
#
# Like demo-capture, it runs in the directory that holds data/. Every option it does not know is
# demo-capture's and goes to each segment (a word after it that does not start with '-' is its
# value). --scheduler: local processes (default; --jobs at once, default one per core), GNU
# parallel over ssh to the hosts of --hosts FILE (its --sshloginfile; PARALLEL_SSH sets the ssh
# command), or Slurm (a job array of the segments and a join job that depends on it, through
# sbatch; --cpus-per-segment CPUs for each, default 1; SBATCH_PARTITION, SBATCH_TIMELIMIT and
# sbatch's other variables reach both). --segments: how many (default 8). --work: where the
# segments go (default: OUTPUT's name with .segments, beside it). --capture: the demo-capture to
# run (default: this clone's build). For parallel and slurm, the working directory, the work
# directory, the output and demo-capture must be at the same paths on every host.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

die() {
    echo "capture-farm: $*" >&2
    exit 2
}
say() { echo "capture-farm: $*" >&2; }

scheduler=local segments=8 work="" capture="$root/build/tools/demo-capture" hosts=""
jobs=$(nproc) cpus=1 output=""
options=() span=()
while [ $# -gt 0 ]; do
    case "$1" in
    --scheduler | --segments | --work | --capture | --hosts | --jobs | --cpus-per-segment | -o)
        [ $# -ge 2 ] || die "$1 needs a value"
        case "$1" in
        --scheduler) scheduler=$2 ;;
        --segments) segments=$2 ;;
        --work) work=$2 ;;
        --capture) capture=$2 ;;
        --hosts) hosts=$2 ;;
        --jobs) jobs=$2 ;;
        --cpus-per-segment) cpus=$2 ;;
        -o) output=$2 ;;
        esac
        shift 2
        ;;
    -h | --help)
        sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
        exit 0
        ;;
    # The span is the plan's; each segment gets its own frames.
    --from | --to)
        [ $# -ge 2 ] || die "$1 needs a value"
        span+=("$1" "$2")
        shift 2
        ;;
    --frames | --plan | --join | --at | --sheet)
        die "$1 is not for a farm: it splits the span of --from and --to itself" ;;
    # A flash counts over the seconds around each frame, across any seam: one process sees them.
    --flash-report)
        die "--flash-report needs the whole span in one process: run demo-capture --flash-report FILE.csv (without -o it only analyses)" ;;
    *)
        options+=("$1")
        if [ $# -ge 2 ] && [[ "$2" != -* ]]; then
            options+=("$2")
            shift
        fi
        shift
        ;;
    esac
done

case "$scheduler" in local | parallel | slurm) ;; *) die "--scheduler is local, parallel or slurm, not '$scheduler'" ;; esac
for count in "$segments" "$jobs" "$cpus"; do
    [[ "$count" =~ ^[1-9][0-9]*$ ]] || die "--segments, --jobs and --cpus-per-segment take a count from 1, not '$count'"
done
[ -n "$output" ] || die "no output: name one with -o FILE.mp4, FILE.mkv or FILE.mov"
[[ "$output" =~ \.(mp4|mkv|mov)$ ]] || die "the output is a video: FILE.mp4, FILE.mkv or FILE.mov, not '$output'"
for option in "${options[@]}"; do
    [ "$option" != --lossless ] || [[ "$output" == *.mkv ]] || die "--lossless writes Matroska: name the output FILE.mkv"
done
if [ "$scheduler" = parallel ]; then
    [ -r "$hosts" ] || die "--scheduler parallel needs --hosts FILE, the ssh logins (one a line, as GNU parallel's --sshloginfile)"
    command -v parallel >/dev/null || die "GNU parallel is not installed (apt-get install parallel)"
    hosts=$(realpath "$hosts")
fi
if [ "$scheduler" = slurm ]; then
    command -v sbatch >/dev/null || die "sbatch is not on PATH (Slurm's client, apt-get install slurm-client)"
fi
[ -x "$capture" ] || die "no demo-capture at $capture: build it (cmake --build build) or name it with --capture"
[ -d data ] || die "no data/ here: run it in the directory that holds data/, as demo-capture"
capture=$(realpath "$capture")
output=$(realpath -m "$output")
[ -n "$work" ] || work="${output%.*}.segments"
work=$(realpath -m "$work")
mkdir -p "$work/logs"

# One farm at a time in a work directory: two would render the same segments into one file.
exec 9>"$work/.lock"
flock -n 9 || die "another capture-farm is working in $work"

# "done|todo A-B PATH" for each segment and then the sound piece, whose AAC a join into MP4 or
# QuickTime copies (a Matroska join makes FLAC itself); demo-capture says on standard error why
# one it finds there is to be rendered again.
plan() {
    "$capture" "${options[@]}" "${span[@]}" --plan "$segments" -o "$work/" || exit
}
wanted() {
    [[ "$1" != *.m4a || "$output" != *.mkv ]]
}
all_frames=() all_paths=() todo_frames=() todo_paths=()
while read -r state frames path; do
    wanted "$path" || continue
    all_frames+=("$frames")
    all_paths+=("$path")
    [ "$state" = done ] || { todo_frames+=("$frames") && todo_paths+=("$path"); }
done < <(plan)
[ ${#all_paths[@]} -ge "$segments" ] || die "demo-capture --plan gave no plan"
first=${all_frames[0]%-*} end=${all_frames[$((segments - 1))]#*-}
pieces="$segments segments"
[ ${#all_paths[@]} -eq "$segments" ] || pieces="$segments segments and the sound"
say "frames $first-$end in $pieces in $work: $((${#all_paths[@]} - ${#todo_paths[@]})) done," \
    "${#todo_paths[@]} to render ($scheduler)"

started=$(date +%s.%N)
child=""
submitted=()
stop() {
    trap - INT TERM
    # Only what this run started: its own processes and its own Slurm jobs.
    [ ${#submitted[@]} -eq 0 ] || scancel "${submitted[@]}" 2>/dev/null || true
    # shellcheck disable=SC2046
    kill $(jobs -p) 2>/dev/null || true
    say "stopped: run the same command again to go on from the segments that are done"
    exit 130
}
trap stop INT TERM

# One segment on this machine, its messages into its log. Stopped, it stops its demo-capture.
render_here() { # frames path
    local log pid
    log="$work/logs/$(basename "$2" .mkv).log"
    "$capture" "${options[@]}" --frames "$1" -o "$2" 2>"$log" &
    pid=$!
    trap 'kill "$pid" 2>/dev/null; exit 143' TERM
    if wait "$pid"; then
        say "frames $1 rendered"
    else
        say "frames $1 failed: $(tail -n 1 "$log")"
    fi
}

# The argument lists written into the job scripts, quoted for bash.
quoted() { printf '%q ' "$@"; }

joined_by_slurm=0
if [ ${#todo_paths[@]} -gt 0 ] || [ "$scheduler" = slurm ]; then
    case "$scheduler" in
    local)
        for i in "${!todo_paths[@]}"; do
            while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
            render_here "${todo_frames[$i]}" "${todo_paths[$i]}" &
        done
        wait
        ;;
    parallel)
        for i in "${!todo_paths[@]}"; do printf '%s\t%s\n' "${todo_frames[$i]}" "${todo_paths[$i]}"; done >"$work/todo.txt"
        # Its status counts the failed segments: the plan below says which they are.
        parallel --will-cite --sshloginfile "$hosts" --workdir "$PWD" --halt never \
            --joblog "$work/logs/parallel.log" --colsep '\t' --quote \
            "$capture" "${options[@]}" --frames '{1}' -o '{2}' :::: "$work/todo.txt" &
        child=$!
        wait "$child" || true
        ;;
    slurm)
        for i in "${!todo_paths[@]}"; do printf '%s\t%s\n' "${todo_frames[$i]}" "${todo_paths[$i]}"; done >"$work/todo.txt"
        cat >"$work/segment.sh" <<EOF
#!/usr/bin/env bash
# One segment of the job array: line SLURM_ARRAY_TASK_ID + 1 of todo.txt.
set -euo pipefail
IFS=\$'\\t' read -r frames path < <(sed -n "\$((SLURM_ARRAY_TASK_ID + 1))p" $(quoted "$work/todo.txt"))
exec $(quoted "$capture" "${options[@]}") --frames "\$frames" -o "\$path"
EOF
        cat >"$work/join.sh" <<EOF
#!/usr/bin/env bash
exec $(quoted "$capture" --join "${all_paths[@]}" -o "$output")
EOF
        chmod +x "$work/segment.sh" "$work/join.sh"
        common=(--parsable --chdir="$PWD" --job-name="demo-capture")
        dependency=()
        if [ ${#todo_paths[@]} -gt 0 ]; then
            array=$(sbatch "${common[@]}" --array="0-$((${#todo_paths[@]} - 1))" \
                --cpus-per-task="$cpus" --output="$work/logs/slurm-%A_%a.log" "$work/segment.sh")
            array=${array%%;*}
            submitted+=("$array")
            dependency=(--dependency="afterok:$array" --kill-on-invalid-dep=yes)
            say "Slurm job $array renders ${#todo_paths[@]} pieces, as an array"
        fi
        join_job=$(sbatch "${common[@]}" "${dependency[@]}" \
            --output="$work/logs/slurm-join-%j.log" "$work/join.sh")
        join_job=${join_job%%;*}
        submitted+=("$join_job")
        say "Slurm job $join_job: the join, once every segment is done"
        # Polled every second: sbatch --wait sleeps up to half a minute between its looks.
        while [ -n "$(squeue -h -j "$join_job" -o %i 2>/dev/null)" ]; do sleep 1; done
        # Slurm keeps a finished job's record for MinJobAge (300 s by default).
        if scontrol show job -o "$join_job" 2>/dev/null | grep -q 'JobState=COMPLETED'; then
            joined_by_slurm=1
        fi
        ;;
    esac
fi

missing=()
while read -r state frames path; do
    wanted "$path" && [ "$state" != done ] && missing+=("$(basename "$path")")
done < <(plan 2>/dev/null)
if [ ${#missing[@]} -gt 0 ]; then
    say "${#missing[@]} of ${#all_paths[@]} pieces did not finish (${missing[*]}): run the same" \
        "command again to render them"
    exit 1
fi
if [ "$scheduler" != slurm ]; then
    "$capture" --join "${all_paths[@]}" -o "$output" || exit 1
elif [ "$joined_by_slurm" -ne 1 ]; then
    say "the join failed: see $work/logs/slurm-join-$join_job.log"
    exit 1
fi

# The join checked every frame's place and the sound; say what was made.
read -r frames duration < <(ffprobe -v error -select_streams v:0 -count_packets \
    -show_entries stream=nb_read_packets:format=duration -of csv=p=0 "$output" | paste -sd' ')
took=$(awk -v s="$started" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }')
say "$output: $frames frames, $(printf '%.3f' "$duration") s with sound, made in $took s"
