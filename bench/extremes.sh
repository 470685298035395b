#!/usr/bin/env bash
# Cost of hostile first-pass inputs: time and peak memory of `zarnet -E` on each.
# Usage: bench/extremes.sh path/to/zarnet [size [depth]]
#   size: characters of the long lines (default 1000000)
#   depth: #define lines whose values double (default 30; unbounded, 24 took 2 GB)
set -euo pipefail
bin=$(realpath "$1")
n=${2:-1000000}
depth=${3:-30}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"

python3 - "$n" "$depth" <<'PY'
import sys
n, depth = int(sys.argv[1]), int(sys.argv[2])
open("braces.sqr", "w").write("x " + "{" * n + "\n")
open("token-nl.sqr", "w").write("a" * n + "\n")
open("token-last.sqr", "w").write("a" * n)
lines = ["#define a0 0123456789abcdef"]
for i in range(1, depth):
    lines.append("#define a%d {a%d}{a%d}" % (i, i - 1, i - 1))
open("defines.sqr", "w").write("\n".join(lines) + "\n{a%d}\n" % (depth - 1))
PY

for f in braces token-nl token-last defines; do
    /usr/bin/time -f "%e s %M KB" -o time.txt timeout 120 "$bin" -E -O out.txt "$f.sqr" >/dev/null 2>err.txt && rc=0 || rc=$?
    printf '%-12s exit %d  %s\n' "$f" "$rc" "$(cat time.txt)"
done
