#!/usr/bin/env bash
# Runs every fuzzing target built by the fuzz preset for SECONDS each (default 20) on its seed
# corpus in tests/data/fuzz/<target>/. A long run: scripts/fuzz.sh 3600.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shopt -s nullglob
for target in build/fuzz/bin/fuzz_*; do
    name=$(basename "$target")
    corpus=tests/data/fuzz/${name#fuzz_}
    work=$(mktemp -d)
    echo "-- $name for ${seconds}s"
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 "$work" "$corpus" 2>&1 | tail -n 3
    rm -rf "$work"
done
