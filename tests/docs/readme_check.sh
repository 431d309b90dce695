#!/usr/bin/env bash
# Keeps the README a short guide whose commands work as written, the notes, the changelog and the
# manual pages beside it true, and all of them linked:
# - README.md is at most 250 lines;
# - every command in a fenced shell block (```sh, ```bash, ```shell, ```console: the lines after
#   "$ ") of README.md, CHANGELOG.md and docs/*.md, and in the EXAMPLES of the manual pages, names
#   only scripts and files that exist, programs that the build makes, and options that the script
#   or program accepts: a script's own options are looked for in its code (comments left out);
#   demo-capture's, demo's, make-data's and flash-plot's in the sources that read them, and with
#   BUILD_DIR also in the built tool's --help;
# - every repository path in backticks (`scripts/...`, `tests/...`, ...) exists;
# - every relative link resolves, to a file and, with #anchor, to one of its headings;
# - each manual page (docs/man/*.in, docs/man/*.[1-9]) lists, in its SYNOPSIS and OPTIONS, exactly
#   the options of the programs its NAME names: those the built tool's --help lists with BUILD_DIR
#   (-h and --help themselves aside), else those its sources read (demo and demo-desktop have no
#   --help: their sources, src/app/CommandLine.cpp); a page that is a ".so" names one that exists
#   and names its program.
# Prints each fault on a line, FILE:LINE first, and exits 1 when there is one. Takes a second or
# two: CI runs it first.
#   tests/docs/readme_check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-}
max_lines=250
faults=0
fault() { echo "readme_check: $*" >&2; faults=$((faults + 1)); }

lines=$(wc -l <README.md)
[ "$lines" -le "$max_lines" ] || fault "README.md:$lines: the README is $lines lines, more than $max_lines: move the detail into docs/"

notes=(README.md CHANGELOG.md docs/*.md)
shopt -s nullglob
pages=(docs/man/*.in docs/man/*.[1-9])
shopt -u nullglob

# Directories and files of the repository that a command or a path may name; build/, dist/ and
# data/ are made by the commands themselves.
repo_path='^(\./)?(scripts|tests|bench|tools|src|cmake|web|debian|docs|\.ci)/|^(\./)?(CMakeLists\.txt|LICENSE|CHANGELOG\.md)$'
option_form='--?[a-z][a-z0-9-]*'

# Whether a list, one item a line, holds the item: in the shell, since this runs a few hundred
# times.
holds() { # LIST ITEM
    [[ $'\n'"$1"$'\n' == *$'\n'"$2"$'\n'* ]]
}

# The options a program of the build reads, from the sources that parse them.
source_options() { # PROGRAM
    case "$1" in
    demo | demo-desktop | demo.exe | demo-desktop.exe) grep -ohE "\"$option_form\"" src/app/CommandLine.cpp ;;
    demo-capture) grep -ohE "\"$option_form\"" tools/capture/CaptureOptions.cpp tools/capture/Segments.cpp ;;
    make-data) grep -ohE "\"$option_form\"" tools/make-data/main.cpp ;;
    flash-plot) grep -ohE "\"$option_form\"" tools/flash-plot/main.cpp ;;
    esac | tr -d '"' | sort -u
}
# And those its --help names, when the build is there; nothing (and status 1) otherwise.
help_options() { # PROGRAM
    local binary
    case "$1" in
    demo-capture | make-data | flash-plot) binary=$build/tools/$1 ;;
    *) return 1 ;;
    esac
    [ -n "$build" ] && [ -x "$binary" ] || return 1
    local usage
    usage=$("$binary" --help 2>&1 || true) # a usage on a refused option is as good
    grep -oE "(^|[^a-zA-Z0-9-])$option_form" <<<"$usage" | grep -oE -- "$option_form" | sort -u || true
}
# Both, read once a program (in this shell: a $(...) would forget them).
declare -A sourced=() helped=()
learn_options() { # PROGRAM
    [ -z "${sourced[$1]+x}" ] || return 0
    sourced[$1]=$(source_options "$1")
    local help
    if help=$(help_options "$1"); then helped[$1]=$help; fi
}

# The targets that the build makes, by the name a command runs them by.
executables=$(grep -ohE 'add_executable\([a-z_-]+' CMakeLists.txt tools/CMakeLists.txt bench/CMakeLists.txt |
    sed 's/add_executable(//')
build_program() { # PATH: build/demo, build/tools/demo-capture... -> target: the target, or nothing
    target=
    case "$1" in
    build/tools/* | build/bench/* | build/*) ;;
    *) return 0 ;;
    esac
    if holds "$executables" "${1##*/}"; then target=${1##*/}; fi
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
# options; a usage line that merely names it does not count. Each script is read once.
declare -A codes=()
script_takes() { # SCRIPT OPTION
    local name=${2#--} option=${2//./\\.}
    [ -n "${codes[$1]+x}" ] || codes[$1]=$'\n'$(script_code "$1")$'\n'
    local pattern="[[:space:](|:]$option[)|]|[!=]=? *[\"']?$option[\"'[:space:]]|['\"]${name//./\\.}['\"]: *\\{"
    [[ "${codes[$1]}" =~ $pattern ]]
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
        learn_options "$program"
        if ! holds "${sourced[$program]}" "$option"; then
            fault "$where: $program does not take $option (not in its sources)"
        elif [ -n "${helped[$program]+x}" ] && ! holds "${helped[$program]}" "$option"; then
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
        build_program "$program"
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

# Relative links outside code blocks, and their anchors: GitHub's, the heading in lower case,
# spaces as hyphens, other punctuation left out. Each file's headings are read once.
declare -A headings=()
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
        resolved=$target
        [[ "$file" != */* ]] || resolved=${file%/*}/$target
        [ -e "$resolved" ] || { fault "$file:$line: the link $link leads nowhere"; continue; }
    else
        resolved=$file
    fi
    if [ -n "$anchor" ]; then
        [ -n "${headings[$resolved]+x}" ] || headings[$resolved]=$(anchors "$resolved")
        holds "${headings[$resolved]}" "$anchor" || fault "$file:$line: $resolved has no heading for #$anchor"
    fi
done < <(awk '
    FNR == 1 { fenced = 0 }
    /^```/ { fenced = !fenced; next }
    !fenced {
        text = $0
        while (match(text, /\]\([^) ]+\)/)) {
            print FILENAME ":" FNR ":" substr(text, RSTART, RLENGTH)
            text = substr(text, RSTART + RLENGTH)
        }
    }' "${notes[@]}")

# The manual pages. Their text with troff's escapes undone as far as options and names need them
# (\- is a hyphen; font changes go), one line a line, so that FILE:LINE stays true.
man_text() { # PAGE
    sed -E 's/\\-/-/g; s/\\f[BIRP]//g; s/\\\(mu/x/g; s/\\&//g' "$1"
}
# What a page's section holds: "LINE<tab>TEXT" for each line of it.
man_section() { # PAGE SECTION...
    man_text "$1" | awk -v wanted=" ${*:2} " '
        /^\.SH / { name = $0; sub(/^\.SH +/, "", name); gsub(/"/, "", name); keep = index(wanted, " " name " ") > 0; next }
        keep { print NR "\t" $0 }'
}
for page in "${pages[@]}"; do
    # demo-desktop.6 is ".so man6/demo.6": the page it sources must be here and name it.
    so=$(sed -n 's/^\.so  *//p' "$page" | head -n 1)
    if [ -n "$so" ]; then
        sourced_page=docs/man/${so##*/}
        [ -e "$sourced_page" ] || sourced_page=$sourced_page.in
        name=${page##*/}
        name=${name%.*}
        if [ ! -e "$sourced_page" ]; then
            fault "$page:1: it sources $so, which is neither docs/man/${so##*/} nor its .in"
        elif ! man_section "$sourced_page" NAME | cut -f2 | grep -E -- "(^|[ ,])$name([ ,]|$)" >/dev/null; then
            fault "$page:1: it sources $so, whose NAME does not name $name"
        fi
        continue
    fi
    # The programs it is the page of: "demo, demo-desktop - a real-time audiovisual demo".
    programs=$(man_section "$page" NAME | cut -f2 | grep -v '^\.' | sed -E 's/ - .*//' | tr ',' '\n' |
        tr -d ' ' | grep . || true)
    [ -n "$programs" ] || { fault "$page:1: its NAME names no program"; continue; }
    # The options it lists, with the line each is first listed on.
    listed=$(man_section "$page" SYNOPSIS OPTIONS | awk -F '\t' '{
        text = " " $2
        while (match(text, /[^a-zA-Z0-9-]--?[a-z][a-z0-9-]*/)) {
            option = substr(text, RSTART + 1, RLENGTH - 1)
            if (!(option in seen)) { seen[option] = 1; print option "\t" $1 }
            text = substr(text, RSTART + RLENGTH)
        }
    }')
    # Where a missing option belongs: the OPTIONS heading, or the SYNOPSIS of a page without one.
    options_heading=$({ grep -n '^\.SH "*OPTIONS' "$page" || grep -n '^\.SH "*SYNOPSIS' "$page" || echo 1; } | head -n 1 | cut -d: -f1)
    for program in $programs; do
        learn_options "$program"
        if [ -n "${helped[$program]+x}" ]; then
            takes=${helped[$program]} by="its --help"
        else
            takes=${sourced[$program]} by="its sources"
        fi
        if [ -z "$takes" ] && [ -z "${sourced[$program]}" ]; then
            fault "$page:1: $program is no program whose options this check knows"
            continue
        fi
        while IFS= read -r option; do
            [ -n "$option" ] || continue
            case "$option" in -h | --help) continue ;; esac # a --help need not list itself
            grep -qxF -- "$option" <(cut -f1 <<<"$listed") ||
                fault "$page:$options_heading: $program takes $option ($by), which its manual page does not list"
        done <<<"$takes"
        while IFS=$'\t' read -r option line; do
            [ -n "$option" ] || continue
            holds "$takes" "$option" && continue
            # -h and --help: taken where the sources read them, whatever --help says of itself.
            case "$option" in -h | --help) holds "${sourced[$program]}" "$option" && continue ;; esac
            fault "$page:$line: the page lists $option, which $program does not take (not in $by)"
        done <<<"$listed"
    done
    # Its examples, as commands: ".nf" to ".fi" in EXAMPLES.
    while IFS=$'\t' read -r line text; do
        [[ "$text" =~ ^\. ]] && continue
        read -r -a words <<<"$text"
        check_command "$page:$line" "${words[@]}"
    done < <(man_section "$page" EXAMPLES)
done

if [ "$faults" -gt 0 ]; then
    echo "readme_check: $faults fault(s) in README.md, CHANGELOG.md, docs/ and docs/man/" >&2
    exit 1
fi
echo "readme_check: README.md ($lines lines), CHANGELOG.md, docs/ and the manual pages are consistent"
