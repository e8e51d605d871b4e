#!/usr/bin/env bash
# Kills a running undo with SIGKILL at random moments and checks after each kill that every line
# is either still as the run left it (its backup row there, its journal rows not undone) or wholly
# put back (its backup row gone, its journal rows marked undone), and that undoing again
# completes, puts back exactly the lines still to do and leaves the account as an uninterrupted
# undo does.
#
# usage: tests/reliability/crash_undo.sh [--kills N] [--entries N] [--cli PATH] [--seed S]
#   long form (by hand): --kills 20 --entries 10000 (the defaults)
#   short form (test suite): --kills 3 --entries 2000
source "$(dirname "$0")/crash_common.sh"

undo() {  # ACCOUNT
    exec "$cli" --db "sqlite:$1" undo 1 --yes
}

pending_lines() {  # ACCOUNT: the run's lines not yet put back
    "$python" - "$1" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
print(db.execute("SELECT COUNT(DISTINCT FLine) FROM Q9TaxRateJournal "
                 "WHERE FRunID=1 AND FLine>0 AND FUndone=0").fetchone()[0])
PY
}

run_state() {  # ACCOUNT: the run's state in the run table
    "$python" - "$1" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
print(db.execute("SELECT FState FROM Q9TaxRateRun WHERE FRunID=1").fetchone()[0])
PY
}

restored() {  # LOG: N of "撤销完成：恢复N处数据"
    sed -n 's/^撤销完成：恢复\([0-9]*\)处数据$/\1/p' "$1"
}

echo "crash undo: $kills kills on $entries lines per kind (seed $seed)"
"$cli" demo-db original.db --entries "$entries" >/dev/null 2>&1
for kind in po so payable receivable; do
    "$cli" --db sqlite:original.db export "$kind" "$kind.xls" --overwrite >/dev/null 2>&1
done
copy_account original.db pristine.db
copy_account pristine.db adjusted.db
"$cli" --db sqlite:adjusted.db adjust --17to16 --11to10 --po po.xls --so so.xls \
    --payable payable.xls --receivable receivable.xls --yes >adjust.log 2>&1
lines=$(pending_lines adjusted.db)

# The uninterrupted undo: what every interrupted one must end up as, and how long one takes.
copy_account adjusted.db reference.db
start=$(date +%s%N)
(undo reference.db) >reference.log 2>&1
undo_ms=$((($(date +%s%N) - start) / 1000000))
if [[ $(restored reference.log) != "$lines" ]] || [[ $(pending_lines reference.db) != 0 ]] ||
    [[ $(run_state reference.db) != undone ]]; then
    echo "the uninterrupted undo did not put back the run's $lines lines:"
    cat reference.log
    exit 1
fi
"$python" "$check" reference.db pristine.db pristine.db >/dev/null || {
    echo "the uninterrupted undo did not leave the account as before the run:"
    "$python" "$check" reference.db pristine.db pristine.db
    exit 1
}
echo "uninterrupted undo of $lines lines: ${undo_ms} ms"

failures=0
for ((k = 1; k <= kills; ++k)); do
    copy_account adjusted.db account.db
    kill_at_random "$undo_ms" undo.log undo account.db
    if ! after_kill=$("$python" "$check" account.db pristine.db); then
        echo "kill $k: $what: invariants broken"
        echo "$after_kill"
        ((++failures))
        continue
    fi
    pending=$(pending_lines account.db)
    status=0
    # An undo that ended before the kill left nothing to undo again: it is refused.
    if [[ $pending != 0 ]] || [[ $(run_state account.db) != undone ]]; then
        (undo account.db) >reundo.log 2>&1 || status=$?
    fi
    if [[ $status -ne 0 ]] || { [[ $pending != 0 ]] && [[ $(restored reundo.log) != "$pending" ]]; } ||
        [[ $(run_state account.db) != undone ]]; then
        echo "kill $k: $what: undoing again (status $status) did not put back exactly the" \
            "$pending lines left and mark the run undone"
        tail -n 5 reundo.log
        ((++failures))
        continue
    fi
    if ! after_undo=$("$python" "$check" account.db pristine.db reference.db); then
        echo "kill $k: $what: undoing again did not end where the uninterrupted undo did"
        echo "$after_undo"
        ((++failures))
        continue
    fi
    echo "kill $k: $what: $((lines - pending)) of $lines lines put back; undone again: complete"
done

echo "$killed of $kills undos killed mid-way, $failures failures"
[[ $failures -eq 0 ]]
