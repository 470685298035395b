#!/usr/bin/env bash
# Cost checks of the extremes that are too slow for the test run: each case builds its
# input in a scratch folder, runs zarnet once and reports the processor time (user and
# system, so that a busy machine does not count), the wall time, the peak memory and whether
# time and memory stay within the case's budget (generous: a budget catches a cost that
# grows faster than the input, not a slow machine).
#
#   bench/extremes.sh <zarnet binary> [case ...]
#
# Exits 1 when a case ends with an unexpected exit code or over its budget.
set -u
[ $# -ge 1 ] || { echo "usage: $0 <zarnet binary> [case ...]" >&2; exit 2; }
bin=$(realpath -e "$1") || exit 2
shift
command -v /usr/bin/time >/dev/null || { echo "extremes: needs /usr/bin/time (package time)" >&2; exit 2; }
tmp=$(mktemp -d) || exit 2
trap 'rm -rf "$tmp"' EXIT
failed=0

# check <name> <max seconds> <max MB> <expected exit> <args ...>: runs in $tmp/<name>.
check() {
    local name=$1 secs=$2 mb=$3 want=$4
    shift 4
    local code
    # Twice the budget in memory and several times it in wall time end a run that would
    # otherwise take the machine with it.
    (cd "$tmp/$name" && ulimit -v $((mb * 2 * 1024)) &&
        /usr/bin/time -f "%U %S %e %M" -o ../time.$name timeout $((secs * 5)) "$bin" "$@" >../out.$name 2>../err.$name)
    code=$?
    # (time writes a line about a non-zero exit first)
    read -r user sys wall kb < <(tail -n 1 "$tmp/time.$name")
    local took
    took=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
    local used=$((kb / 1024)) verdict=ok
    if [ "$code" != "$want" ]; then
        verdict="exit $code, expected $want: $(head -c 300 "$tmp/err.$name")"
    elif awk -v t="$took" -v m="$secs" 'BEGIN { exit !(t > m) }' || [ "$used" -gt "$mb" ]; then
        verdict="over budget (${secs} s, ${mb} MB)"
    fi
    printf '%-30s %7s s cpu %7s s wall %6s MB  %s\n' "$name" "$took" "$wall" "$used" "$verdict"
    [ "$verdict" = ok ] || failed=1
}

cases=("$@")
selected() { local case=$1; [ ${#cases[@]} -eq 0 ] || [[ " ${cases[*]} " == *" $case "* ]]; }

mk() { mkdir -p "$tmp/$1"; }

if selected line-100mb; then
    # One line of 100 MB (with its line break), ordinary text.
    mk line-100mb
    (head -c $((100 * 1024 * 1024)) /dev/zero | tr '\0' 'x'; echo) >"$tmp/line-100mb/main.sqr"
    check line-100mb 60 4000 0 -E -O out.txt main.sqr
fi
if selected line-100mb-no-line-break; then
    mk line-100mb-no-line-break
    head -c $((100 * 1024 * 1024)) /dev/zero | tr '\0' 'x' >"$tmp/line-100mb-no-line-break/main.sqr"
    check line-100mb-no-line-break 60 4000 0 -E -O out.txt main.sqr
fi
if selected million-defines; then
    mk million-defines
    awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "#define name%d value%d\n", i, i; print "{name999999}" }' \
        >"$tmp/million-defines/main.sqr"
    check million-defines 60 4000 0 -E -O out.txt main.sqr
fi
if selected million-references; then
    mk million-references
    awk 'BEGIN { print "#define x ab"; for (i = 0; i < 1000000; i++) printf "{x}"; print "" }' \
        >"$tmp/million-references/main.sqr"
    check million-references 30 2000 0 -E -O out.txt main.sqr
fi
if selected includes-past-missing-folders; then
    # 500 includes along two missing search folders, in a folder of 20,000 files.
    mk includes-past-missing-folders
    (cd "$tmp/includes-past-missing-folders" && seq 1 20000 | sed 's/^/f/' | xargs touch &&
        echo "show 1" >inc.sqc && for i in $(seq 1 500); do echo "#include 'inc.sqc'"; done >main.sqr)
    check includes-past-missing-folders 2 500 0 -E -O out.txt -I "miss1;miss2;." main.sqr
fi
if selected braces-without-end; then
    mk braces-without-end
    (printf 'x '; head -c 1000000 /dev/zero | tr '\0' '{'; echo) >"$tmp/braces-without-end/main.sqr"
    check braces-without-end 30 2000 0 -E -O out.txt main.sqr
fi
if selected doubling-defines; then
    mk doubling-defines
    awk 'BEGIN { print "#define a0 x"; for (i = 1; i <= 30; i++) printf "#define a%d {a%d}{a%d}\n", i, i - 1, i - 1; print "{a30}" }' \
        >"$tmp/doubling-defines/main.sqr"
    check doubling-defines 30 4000 1 -E -O out.txt main.sqr
fi
exit $failed
