#!/usr/bin/env bash
# Runs the fuzz targets side by side, each for about the given time:
#
#   run_fuzzers.sh <fuzz build folder> <seconds> [target ...]     (targets: run varfile cmdline)
#
# Environment:
#   FUZZ_WORKERS=N      processes per target (default 1), sharing the target's corpus
#   FUZZ_SESSION=S      a process is restarted from the corpus every S seconds (default 300):
#                       the parser keeps every text it read for the life of the process, so
#                       one that runs millions of inputs would grow without end
#   FUZZ_KEEP_GOING=1   after a finding, keep the input and go on fuzzing (a long local run)
#
# Seeds come from the command-line cases and the bundled example (make_seeds.sh); what a
# target finds beyond them is kept in <build>/fuzz-corpus/<target>, and inputs that broke
# something in <build>/fuzz-findings/. Exits 1 when anything was found.
set -u
here=$(dirname "$(realpath "$0")")
root=$(dirname "$here")
die() {
    echo "run_fuzzers: $*" >&2
    exit 2
}
[ $# -ge 2 ] || die "usage: $0 <fuzz build folder> <seconds> [target ...]"
build=$(realpath -e "$1") || die "no build folder $1"
total=$2
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(run varfile cmdline)
workers=${FUZZ_WORKERS:-1}
session=${FUZZ_SESSION:-300}
keep_going=${FUZZ_KEEP_GOING:-0}

seeds="$build/fuzz-seeds"
rm -rf "$seeds" && bash "$here/make_seeds.sh" "$root" "$seeds" || die "cannot make the seed corpora"
mkdir -p "$build/fuzz-findings" "$build/fuzz-logs" || die "cannot make the output folders"

# One worker: sessions until the time is up, the first finding ending it unless told to
# keep going.
worker() {
    local target=$1 id=$2 bin="$build/fuzz/zarnet_fuzz_$1"
    local corpus="$build/fuzz-corpus/$target" log="$build/fuzz-logs/$target-$id.log"
    local end=$((SECONDS + total)) found=0 status
    mkdir -p "$corpus" || return 2
    : >"$log"
    while [ $SECONDS -lt "$end" ]; do
        local left=$((end - SECONDS))
        [ "$left" -gt "$session" ] && left=$session
        # The per-input leak check is off: the kept texts make every input look like a
        # leak candidate and the check would scan the whole heap after each one. The
        # sanitizer test run keeps the leak checker on. A run input whose references grow
        # to the per-line substitution bound (16 MiB) legitimately takes several seconds
        # under the sanitizers, and the run target reads it five times: hence 30 s.
        "$bin" -dict="$here/sqr.dict" -max_total_time="$left" -timeout=30 -rss_limit_mb=4096 \
            -max_len=4096 -detect_leaks=0 -print_final_stats=1 \
            -artifact_prefix="$build/fuzz-findings/$target-" "$corpus" "$seeds/$target" >>"$log" 2>&1 </dev/null
        status=$?
        if [ $status -ne 0 ]; then
            found=1
            echo "run_fuzzers: $target (worker $id) found something (exit $status); see $log" >&2
            [ "$keep_going" = 1 ] || break
        fi
    done
    local runs
    runs=$(grep -h '^stat::number_of_executed_units' "$log" | awk '{s += $2} END {print s + 0}')
    echo "run_fuzzers: $target (worker $id): $runs inputs run"
    return $found
}

pids=()
for t in "${targets[@]}"; do
    [ -x "$build/fuzz/zarnet_fuzz_$t" ] || die "no fuzz target $t in $build/fuzz (build the fuzz preset)"
    for ((i = 1; i <= workers; i++)); do
        worker "$t" "$i" &
        pids+=($!)
    done
done
failed=0
for p in "${pids[@]}"; do wait "$p" || failed=1; done
if [ $failed -ne 0 ]; then
    echo "run_fuzzers: findings kept in $build/fuzz-findings:" >&2
    ls -1 "$build/fuzz-findings" >&2
    exit 1
fi
echo "run_fuzzers: nothing found"
