#!/bin/sh
# Runs one reader fuzz target for a number of seconds: run-fuzzer.sh <build dir> <target> <s>.
# The corpus grows in <build dir>/corpus/<target>, seeded with the example files and the
# hand-made seeds; a crash, leak, hang or sanitizer report leaves its input in
# <build dir>/findings and fails the run.
set -eu
build=$1
target=$2
seconds=$3
root="$(cd "$(dirname "$0")/.." && pwd)"
corpus="$build/corpus/$target"
mkdir -p "$corpus" "$build/findings"
echo "== fuzzing $target for $seconds s"
"$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=16384 -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
  "$corpus" "$root/fuzz/seeds" "$root/examples" "$root/tests/reliability/data"
