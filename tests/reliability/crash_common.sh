# Shared by the kill -9 scripts (sourced): their options, a work folder of their own, and the
# run of a command killed at a random moment.
#   --kills N --entries N --cli PATH --seed S
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
kills=20
entries=10000
cli=$root/build/bin/q9taxrate-cli
seed=${RANDOM}
while [[ $# -gt 0 ]]; do
    case $1 in
        --kills) kills=$2; shift 2 ;;
        --entries) entries=$2; shift 2 ;;
        --cli) cli=$2; shift 2 ;;
        --seed) seed=$2; shift 2 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
cli=$(realpath "$cli")
python=/usr/bin/python3
check=$root/tests/reliability/crash_invariants.py
RANDOM=$seed
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_DATA_HOME=$work/xdg

copy_account() {  # FROM TO: the database with its write-ahead log, if any
    rm -f "$2" "$2-wal" "$2-shm"
    cp "$1" "$2"
    if [[ -f "$1-wal" ]]; then cp "$1-wal" "$2-wal"; fi
}

killed=0
# Runs COMMAND ARGS... >LOG in the background and kills it with SIGKILL after a random time
# below MAX_MS; `what` then says how it ended, and `killed` counts the kills.
kill_at_random() {  # MAX_MS LOG COMMAND ARGS...
    local max_ms=$1 log=$2
    shift 2
    local delay_ms=$(((RANDOM * 32768 + RANDOM) % ($max_ms > 0 ? $max_ms : 1)))
    ("$@") >"$log" 2>&1 &
    local pid=$!
    sleep "$(printf '%d.%03d' $((delay_ms / 1000)) $((delay_ms % 1000)))"
    if kill -KILL "$pid" 2>/dev/null; then :; fi
    local status=0
    wait "$pid" 2>/dev/null || status=$?
    if [[ $status -eq 137 ]]; then
        ((++killed))
        what="killed after ${delay_ms} ms"
    else
        what="finished before the kill at ${delay_ms} ms (status $status)"
    fi
}
