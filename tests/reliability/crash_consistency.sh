#!/usr/bin/env bash
# Kills a running tax-rate adjustment with SIGKILL at random moments and checks after each kill
# that every line is either untouched or fully rewritten with exactly one backup row, and that a
# re-run with the same workbooks completes the rest and converts nothing twice.
#
# usage: tests/reliability/crash_consistency.sh [--kills N] [--entries N] [--cli PATH] [--seed S]
#   long form (by hand): --kills 20 --entries 10000 (the defaults)
#   short form (test suite): --kills 3 --entries 2000
source "$(dirname "$0")/crash_common.sh"

adjust() {  # ACCOUNT
    exec "$cli" --db "sqlite:$1" adjust --17to16 --11to10 --po po.xls --so so.xls \
        --payable payable.xls --receivable receivable.xls --yes
}

echo "crash consistency: $kills kills on $entries lines per kind (seed $seed)"
"$cli" demo-db original.db --entries "$entries" >/dev/null 2>&1
for kind in po so payable receivable; do
    "$cli" --db sqlite:original.db export "$kind" "$kind.xls" --overwrite >/dev/null 2>&1
done
# Exporting only reads, but opens the account; keep a clean copy as the original.
copy_account original.db pristine.db

# The uninterrupted run: what every interrupted account must end up as, and how long a run takes.
copy_account pristine.db reference.db
start=$(date +%s%N)
(adjust reference.db) >reference.log 2>&1
run_ms=$((($(date +%s%N) - start) / 1000000))
"$python" "$check" reference.db pristine.db >/dev/null || {
    echo "the uninterrupted run broke an invariant:"
    "$python" "$check" reference.db pristine.db
    exit 1
}
echo "uninterrupted run: ${run_ms} ms"

failures=0
for ((k = 1; k <= kills; ++k)); do
    copy_account pristine.db account.db
    kill_at_random "$run_ms" run.log adjust account.db
    if ! after_kill=$("$python" "$check" account.db pristine.db); then
        echo "kill $k: $what: invariants broken"
        echo "$after_kill"
        ((++failures))
        continue
    fi
    (adjust account.db) >rerun.log 2>&1 || {
        echo "kill $k: $what: the re-run failed"
        tail -n 5 rerun.log
        ((++failures))
        continue
    }
    if ! after_rerun=$("$python" "$check" account.db pristine.db reference.db); then
        echo "kill $k: $what: the re-run did not end where the uninterrupted run did"
        echo "$after_rerun"
        ((++failures))
        continue
    fi
    echo "kill $k: $what: ${after_kill##*$'\n'}; re-run complete"
done

echo "$killed of $kills runs killed mid-way, $failures failures"
[[ $failures -eq 0 ]]
