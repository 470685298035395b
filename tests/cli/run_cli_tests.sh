#!/usr/bin/env bash
# Runs the command-line cases: every folder under the cli folder that holds an `args` file.
#
#   run_cli_tests.sh <zarnet binary> <cli folder> [case name ...]
#
# A case folder holds:
#   args             the arguments, one per line (an empty line is an empty argument)
#   expected_stdout  expected standard output (absent: must be empty)
#   expected_stderr  expected standard error (absent: must be empty)
#   expected_exit    expected exit code (absent: 0)
#   stdin            optional standard input (default: empty)
#   stdout_device    optional: a path standard output is sent to instead (e.g. /dev/full)
#   stdin_closed     optional: when present, the program runs with standard input closed
#   stdout_closed    optional: when present, the program runs with standard output closed
#   stderr_closed    optional: when present, the program runs with standard error closed
#   setup            optional bash script run in the working copy before the program
#                    (ZARNET_CLI_DIR names the cli folder, for fixtures kept elsewhere)
#   check            optional bash script run in the working copy afterwards; fails the
#                    case when it exits non-zero
# Each case runs in a temporary copy of its folder, with the program invoked as "zarnet".
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 <zarnet binary> <cli folder> [case ...]" >&2
    exit 2
fi
# The harness's own steps must not fail quietly: a case that could not be laid out would
# otherwise be judged on whatever was left.
die() {
    echo "run_cli_tests: $*" >&2
    exit 2
}
bin=$(realpath -e "$1") || die "no program at $1"
[ -x "$bin" ] && [ -f "$bin" ] || die "$bin is not an executable file"
dir=$(realpath -e "$2") || die "no case folder at $2"
shift 2
export ZARNET_CLI_DIR="$dir"

tmp=$(mktemp -d) || die "cannot make a scratch folder"
trap 'chmod -R u+rwx "$tmp" 2>/dev/null; rm -rf "$tmp"' EXIT
mkdir "$tmp/bin" || die "cannot make $tmp/bin"
ln -s "$bin" "$tmp/bin/zarnet" || die "cannot link the program into $tmp/bin"

if [ $# -gt 0 ]; then
    cases=("$@")
else
    cases=()
    for c in "$dir"/*/; do
        [ -f "$c/args" ] && cases+=("$(basename "$c")")
    done
fi

passed=0
failed=0
for name in "${cases[@]}"; do
    src="$dir/$name"
    [ -f "$src/args" ] || die "no case $name (no $src/args)"
    work="$tmp/work/$name"
    mkdir -p "$work" || die "cannot make $work"
    cp -a "$src/." "$work/" || die "cannot copy case $name"
    ok=1
    report=""

    if [ -f "$src/setup" ]; then
        if ! (cd "$work" && bash -e ./setup) >"$tmp/setup.log" 2>&1; then
            ok=0
            report+="setup failed:"$'\n'"$(cat "$tmp/setup.log")"$'\n'
        fi
    fi

    args=()
    while IFS= read -r line || [ -n "$line" ]; do
        args+=("$line")
    done <"$src/args"
    input=/dev/null
    [ -f "$src/stdin" ] && input="$src/stdin"
    out="$tmp/stdout"
    [ -f "$src/stdout_device" ] && out=$(head -n1 "$src/stdout_device")

    (
        # 125 and up: the harness could not start the program (exec itself gives 126/127).
        cd "$work" || exit 125
        exec <"$input" >"$out" 2>"$tmp/stderr" || exit 125
        [ -f "$src/stdin_closed" ] && exec <&-
        [ -f "$src/stdout_closed" ] && exec >&-
        [ -f "$src/stderr_closed" ] && exec 2>&-
        PATH="$tmp/bin:$PATH" exec zarnet "${args[@]}"
    )
    code=$?
    [ "$code" -lt 125 ] || die "case $name: could not start the program (code $code)"
    # Standard output sent elsewhere or closed has nothing to compare.
    if [ -f "$src/stdout_device" ] || [ -f "$src/stdout_closed" ]; then : >"$tmp/stdout" || die "cannot empty $tmp/stdout"; fi

    expected_exit=0
    [ -f "$src/expected_exit" ] && expected_exit=$(tr -d '[:space:]' <"$src/expected_exit")
    if [ "$code" != "$expected_exit" ]; then
        ok=0
        report+="exit code: expected $expected_exit, got $code"$'\n'
    fi
    for stream in stdout stderr; do
        expected="$src/expected_$stream"
        [ -f "$expected" ] || expected=/dev/null
        if ! cmp -s "$expected" "$tmp/$stream"; then
            ok=0
            report+="$stream differs:"$'\n'"$(diff -u --label expected --label actual "$expected" "$tmp/$stream")"$'\n'
        fi
    done
    if [ -f "$src/check" ]; then
        if ! (cd "$work" && bash -e ./check) >"$tmp/check.log" 2>&1; then
            ok=0
            report+="check failed:"$'\n'"$(cat "$tmp/check.log")"$'\n'
        fi
    fi

    if [ $ok = 1 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $name"
        printf '%s' "$report"
    fi
done

# A folder without cases is a fault of the suite, not a pass.
[ $((passed + failed)) -gt 0 ] || die "no case ran"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
