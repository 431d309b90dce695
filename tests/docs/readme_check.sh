#!/usr/bin/env bash
# Keeps the README a short guide whose commands work as written, and the notes beside it linked:
# - README.md is at most 250 lines;
# - every command in a fenced shell block (```sh, ```bash, ```shell, ```console: the lines after
#   "$ ") of README.md and docs/*.md names only scripts and files that exist, programs that the
#   build makes, and options that the script or program accepts: a script's own options are looked
#   for in its code (comments left out); demo-capture's, demo's, make-data's and flash-plot's in
#   the sources that read them, and with BUILD_DIR also in the built tool's --help;
# - every repository path in backticks (`scripts/...`, `tests/...`, ...) exists;
# - every relative link resolves, to a file and, with #anchor, to one of its headings.
# Prints each fault on a line, FILE:LINE first, and exits 1 when there is one. Takes a second.
#   tests/docs/readme_check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-}
max_lines=250
faults=0
fault() { echo "readme_check: $*" >&2; faults=$((faults + 1)); }

lines=$(wc -l <README.md)
[ "$lines" -le "$max_lines" ] || fault "README.md:$lines: the README is $lines lines, more than $max_lines: move the detail into docs/"

notes=(README.md docs/*.md)

# Directories and files of the repository that a command or a path may name; build/, dist/ and
# data/ are made by the commands themselves.
repo_path='^(\./)?(scripts|tests|bench|tools|src|cmake|web|debian|docs|\.ci)/|^(\./)?(CMakeLists\.txt|LICENSE|CHANGELOG\.md)$'

# The options a program of the build reads, from the sources that parse them.
source_options() { # PROGRAM
    case "$1" in
    demo | demo-desktop | demo.exe | demo-desktop.exe) grep -ohE '"--?[a-z][a-z0-9-]*"' src/app/CommandLine.cpp ;;
    demo-capture) grep -ohE '"--?[a-z][a-z0-9-]*"' tools/capture/CaptureOptions.cpp tools/capture/Segments.cpp ;;
    make-data) grep -ohE '"--?[a-z][a-z0-9-]*"' tools/make-data/main.cpp ;;
    flash-plot) grep -ohE '"--?[a-z][a-z0-9-]*"' tools/flash-plot/main.cpp ;;
    esac | tr -d '"'
}
# And those its --help names, when the build is there.
help_options() { # PROGRAM
    local binary
    case "$1" in
    demo-capture | make-data | flash-plot) binary=$build/tools/$1 ;;
    *) return 1 ;;
    esac
    [ -n "$build" ] && [ -x "$binary" ] || return 1
    local usage
    usage=$("$binary" --help 2>&1 || true) # a usage on a refused option is as good
    grep -oE '(^|[^a-zA-Z0-9-])--?[a-z][a-z0-9-]*' <<<"$usage" | grep -oE -- '--?[a-z][a-z0-9-]*' || true
}
# The targets that the build makes, by the name a command runs them by.
build_program() { # PATH: build/demo, build/tools/demo-capture... -> the target, or nothing
    local name=${1##*/}
    case "$1" in
    build/tools/* | build/bench/* | build/*) ;;
    *) return 0 ;;
    esac
    grep -qE "add_executable\($name[ )]" CMakeLists.txt tools/CMakeLists.txt bench/CMakeLists.txt && echo "$name"
}

# The code of a script without its comments: what it accepts is what it tests for.
script_code() {
    case "$1" in
    *.mjs) sed -E 's#(^|[[:space:]])//.*$##' "$1" ;;
    *) sed -E 's/(^|[[:space:]])#.*$//' "$1" ;;
    esac
}
# Whether a script's code tests for an option, as a case label (--name), |--name| or N:--name), in a
# comparison (= --name, == "--name") or, for node's parseArgs, as a quoted 'name': among its
# options; a usage line that merely names it does not count. (No grep -q after a pipe: with
# pipefail, the writer's SIGPIPE would count as not found.)
script_takes() { # SCRIPT OPTION
    local name=${2#--}
    script_code "$1" | grep -E -- "(^|[[:space:](|:])$2[)|]|[!=]=? *[\"']?$2([\"' ]|\$)|['\"]$name['\"]: *\{" >/dev/null
}
# Options a script passes on to another program (its "$@" after its own).
passed_on() { # SCRIPT -> the program whose options it also takes
    case "$1" in
    scripts/capture-farm.sh) echo demo-capture ;;
    scripts/run-browser-tests.sh) echo tests/web/browser-tests.mjs ;;
    esac
}

check_option() { # WHERE PROGRAM OPTION
    local where=$1 program=$2 option=${3%%=*} target
    case "$program" in
    */*)
        [ -f "$program" ] || return 0 # reported already
        if script_takes "$program" "$option"; then return 0; fi
        target=$(passed_on "$program")
        if [ -n "$target" ]; then check_option "$where" "$target" "$option"; return; fi
        fault "$where: $program does not take $option"
        ;;
    demo_bench)
        case "$option" in --benchmark_*) ;; *) fault "$where: demo_bench does not take $option" ;; esac
        ;;
    *)
        if ! source_options "$program" | grep -xF -- "$option" >/dev/null; then
            fault "$where: $program does not take $option (not in its sources)"
        elif help_opts=$(help_options "$program") && ! grep -qxF -- "$option" <<<"$help_opts"; then
            fault "$where: $program does not take $option (not in its --help)"
        fi
        ;;
    esac
}

check_command() { # WHERE TOKEN...
    local where=$1
    shift
    # Variables set for the command, and what only runs it, come first.
    while [ $# -gt 0 ]; do
        case "$1" in
        [A-Za-z_]*=*) shift ;;
        sudo | env | exec | time | command) shift ;;
        *) break ;;
        esac
    done
    [ $# -gt 0 ] || return 0
    local program=$1 token
    shift
    case "$program" in
    build/*)
        local target
        target=$(build_program "$program")
        if [ -z "$target" ]; then fault "$where: the build makes no $program"; return; fi
        program=$target
        ;;
    ./*) program=${program#./} ;;
    esac
    if [[ "$program" =~ $repo_path ]]; then
        [ -e "$program" ] || { fault "$where: $program does not exist"; return; }
        [ -x "$program" ] || [[ "$program" == *.mjs ]] || fault "$where: $program is not executable"
    fi
    case "$program" in
    */* | demo | demo-desktop | demo.exe | demo-desktop.exe | demo-capture | make-data | flash-plot | demo_bench) ;;
    *) program= ;; # someone else's program: only the paths it is given are checked
    esac
    for token in "$@"; do
        if [[ "$token" =~ ^--?[a-zA-Z] ]]; then
            [ -z "$program" ] || check_option "$where" "$program" "$token"
        elif [[ "$token" =~ $repo_path ]]; then
            [ -e "${token#./}" ] || fault "$where: $token does not exist"
        fi
    done
}

# The commands of the fenced shell blocks, one a line: "FILE:LINE", then the words, split as the
# shell splits them (quotes taken off), separated by \037; && || ; and | start another command.
# Comments are left out, and continued lines joined.
commands() {
    awk '
    function flush_word() { if (inword) { words = words "\037" word; word = ""; inword = 0 } }
    function flush_command() { flush_word(); if (words != "") print where words; words = "" }
    function split_line(text,    i, c, n, quote) {
        quote = ""; n = length(text)
        for (i = 1; i <= n; i++) {
            c = substr(text, i, 1)
            if (quote != "") {
                if (c == quote) quote = ""; else word = word c
                continue
            }
            if (c == "\"" || c == "\047") { quote = c; inword = 1; continue }
            if (c == " " || c == "\t") { flush_word(); continue }
            if (c == "#" && !inword) break
            if (c == ";" || c == "|" || c == "&") { flush_command(); continue }
            word = word c; inword = 1
        }
        flush_command()
    }
    FNR == 1 { fence = ""; pending = "" }
    /^```/ {
        if (fence == "") { fence = ($0 ~ /^```(sh|bash|shell|console)[[:space:]]*$/) ? substr($0, 4) : "other"; sub(/[[:space:]]+$/, "", fence) }
        else fence = ""
        next
    }
    fence == "sh" || fence == "bash" || fence == "shell" || fence == "console" {
        text = $0
        if (pending == "") {
            if (fence == "console") { if (text !~ /^\$ /) next; text = substr(text, 3) }
            where = FILENAME ":" FNR
        }
        if (text ~ /\\$/) { pending = pending substr(text, 1, length(text) - 1) " "; next }
        text = pending text; pending = ""
        words = ""; word = ""; inword = 0
        split_line(text)
    }
    ' "$@"
}

while IFS=$'\037' read -r -a words; do
    check_command "${words[@]}"
done < <(commands "${notes[@]}")

# Paths of the repository named in backticks anywhere in the notes.
while IFS=: read -r file line path; do
    path=${path#./}
    [[ "$path" =~ [A-Z]{2,}|\.\.\.|\* ]] && continue # a pattern (NAME, ..., *), not a path
    [ -e "$path" ] || fault "$file:$line: $path does not exist"
done < <(grep -noE '`(\./)?(scripts|tests|bench|tools|src|cmake|web|debian|docs|\.ci)/[^` ]*' "${notes[@]}" |
    sed 's/`//')

# Relative links, and their anchors: GitHub's, the heading in lower case, spaces as hyphens,
# other punctuation left out.
anchors() { # FILE
    grep -E '^#{1,6} ' "$1" | sed -E 's/^#+ +//' | tr 'A-Z' 'a-z' | sed -E 's/[^a-z0-9 _-]//g; s/ /-/g'
}
while IFS=: read -r file line link; do
    link=${link#](}
    link=${link%)}
    case "$link" in
    http://* | https://* | mailto:*) continue ;;
    esac
    target=${link%%#*}
    anchor=${link#"$target"}
    anchor=${anchor#\#}
    if [ -n "$target" ]; then
        resolved=$(dirname "$file")/$target
        [ -e "$resolved" ] || { fault "$file:$line: the link $link leads nowhere"; continue; }
    else
        resolved=$file
    fi
    if [ -n "$anchor" ] && ! anchors "$resolved" | grep -xF -- "$anchor" >/dev/null; then
        fault "$file:$line: $resolved has no heading for #$anchor"
    fi
done < <(grep -noE '\]\([^) ]+\)' "${notes[@]}")

if [ "$faults" -gt 0 ]; then
    echo "readme_check: $faults fault(s) in README.md and docs/" >&2
    exit 1
fi
echo "readme_check: README.md ($lines lines) and docs/ are consistent"
