#!/usr/bin/env bash
# Builds the seed corpora of the fuzz targets from the command-line cases and the bundled
# example: make_seeds.sh <repository root> <corpus folder>. Each target gets <corpus>/<target>/.
set -euo pipefail
root=$(realpath -e "$1")
out=$2
mkdir -p "$out/run" "$out/varfile" "$out/cmdline"
sep=$'\n%%%\n'
n=0
meta='^(args|expected_.*|setup|check|stdin|stdout_device|stdout_closed|stderr_closed)$'

seed() { # target, then the bytes
    n=$((n + 1))
    printf '%s' "$2" >"$out/$1/seed-$n"
}

for c in "$root"/tests/cli/*/; do
    [ -f "$c/args" ] || continue
    stdin=""
    [ -f "$c/stdin" ] && stdin=$(cat "$c/stdin")
    others=()
    mains=()
    while IFS= read -r -d '' f; do
        rel=${f#"$c"}
        [[ $(basename -- "$rel") =~ $meta ]] && continue
        case "$rel" in
            *.sqr|*.SQR) mains+=("$f") ;;
            *) others+=("$f") ;;
        esac
    done < <(find "$c" -type f -print0 | sort -z)
    includes=()
    for f in "${others[@]:0:3}"; do includes+=("$(cat "$f")"); done
    while [ ${#includes[@]} -lt 3 ]; do includes+=(""); done
    for m in "${mains[@]}"; do
        seed run "$(cat "$m")$sep$stdin$sep${includes[0]}$sep${includes[1]}$sep${includes[2]}"
    done
    # The variable file named by option P, when the case has one.
    mapfile -t args <"$c/args"
    for ((i = 0; i + 1 < ${#args[@]}; i++)); do
        if [ "${args[i]}" = "-P" ] && [ -f "$c/${args[i + 1]}" ]; then seed varfile "$(cat "$c/${args[i + 1]}")"; fi
    done
    seed cmdline "$(cat "$c/args")"
done

ex="$root/examples"
seed run "$(cat "$ex/employees.sqr")$sep$sep$(cat "$ex/setenv.sqc")"
seed run "$(sed "s/setenv.sqc/a.sqc/" "$ex/employees.sqr")$sep$sep$(cat "$ex/setenv.sqc")"
seed varfile $'#emp_count\nlist-employees $dept_name\n#total_salary extra words\n'
seed cmdline $'-E\n-I\ninc;.\nmain'
seed cmdline $'-O\nout.txt\n-P\nvars.txt\n-L\n-U\n-R*.sqc\nmain.sqr'
