#!/bin/bash
# Replays the inputs that once found faults, then fuzzes for a bounded time
# from the seed corpus. Any crash, leak, timeout or broken property (an
# abort in the target) fails the run and leaves the input in the work folder.
set -euo pipefail
fuzzer="$1"; corpus="$2"; work="$3"; seconds="$4"; regressions="$5"
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
cp -r "$corpus"/. "$work/corpus/" 2>/dev/null || true
if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    "$fuzzer" -runs=0 "$regressions"/*
fi
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus"
