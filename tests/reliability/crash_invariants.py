#!/usr/bin/python3
"""Checks an account database left by a killed (or finished) tax-rate adjustment or undo.

usage: crash_invariants.py ACCOUNT ORIGINAL [REFERENCE]

ACCOUNT   the database the adjustment (or undo) was working on
ORIGINAL  a copy of the account before any adjustment
REFERENCE the account after the same work done uninterrupted; when given, ACCOUNT must equal it
          (a re-run completed the rest and converted, or put back, nothing twice)

Invariants, per entry table and its backup table:
  - no entry has two backup rows;
  - every backup row belongs to an entry that is now at the new rate (16 from 17, 10 from 11),
    and holds that entry's original values in every column it saved;
  - every entry that is now at 16/10 and was at 17/11 has exactly one backup row;
  - every entry without a backup row is exactly as it was (no half-rewritten line);
  - in a journaled account, an entry has journal rows not undone exactly when it has its
    backup row (an undo puts the entry back, removes the row and marks its journal rows);
  - tables the adjustment does not write are unchanged (the run journal's own it writes).
Prints one line per failure and exits 1 when any invariant fails.
"""

import decimal
import sqlite3
import sys

# entry table, backup table, key columns, rate column
KINDS = [
    ("POOrderEntry", "POOrderEntryTaxRate", ("FInterID", "FEntryID"), "FCess"),
    ("SEOrderEntry", "SEOrderEntryTaxRate", ("FInterID", "FEntryID"), "FCess"),
    ("t_RPContractEntry", "t_rpContractEntryRate", ("FContractID", "FEntryID"), "FTaxRate"),
]
NEW_RATE = {17: 16, 11: 10}
RUN_TABLE, JOURNAL_TABLE = "Q9TaxRateRun", "Q9TaxRateJournal"


def number(value):
    """A stored amount (exact decimal text, or a number in older accounts) as a Decimal."""
    try:
        return decimal.Decimal(str(value))
    except (decimal.InvalidOperation, ValueError):
        return value


def columns(db, table):
    return [row[1] for row in db.execute(f"PRAGMA table_info({table})")]


def has_table(db, table):
    return bool(db.execute(
        "SELECT 1 FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE",
        (table,)).fetchone())


def rows_by_key(db, table, keys):
    names = columns(db, table)
    at = [names.index(k) for k in keys]
    result = {}
    for row in db.execute(f"SELECT * FROM {table}"):
        result[tuple(row[i] for i in at)] = dict(zip(names, row))
    return result


def backup_rows(db, table):
    if not has_table(db, table):
        return []
    names = columns(db, table)
    return [dict(zip(names, row)) for row in db.execute(f"SELECT * FROM {table}")]


def journaled_keys(db, table, keys):
    """The entries of `table` with journal rows not undone, by their "FKey=v;FKey=v" keys."""
    journaled = set()
    for (text,) in db.execute(
            f"SELECT FKeys FROM {JOURNAL_TABLE} WHERE FTable=? AND FUndone=0", (table,)):
        values = dict(part.split("=", 1) for part in text.split(";"))
        journaled.add(tuple(int(values[k]) for k in keys))
    return journaled


def table_rows(db, table):
    return sorted(db.execute(f"SELECT * FROM {table}").fetchall(), key=repr)


def check(account_path, original_path, reference_path=None):
    failures = []
    account = sqlite3.connect(account_path)
    original = sqlite3.connect(original_path)
    converted = 0
    for entry_table, backup_table, keys, rate in KINDS:
        now = rows_by_key(account, entry_table, keys)
        before = rows_by_key(original, entry_table, keys)
        backups = {}
        for backup in backup_rows(account, backup_table):
            key = tuple(backup[k] for k in keys)
            if key in backups:
                failures.append(f"{backup_table}: two backup rows for {key}")
            backups[key] = backup
        for key, backup in backups.items():
            entry, old = now.get(key), before.get(key)
            if entry is None or old is None:
                failures.append(f"{backup_table}: backup row {key} without its entry")
                continue
            if number(entry[rate]) != NEW_RATE.get(number(old[rate])):
                failures.append(f"{backup_table}: backup row {key} but {entry_table}.{rate} is "
                                f"{entry[rate]} (was {old[rate]})")
            for column, value in backup.items():
                if value is not None and column in old and number(value) != number(old[column]):
                    failures.append(f"{backup_table}: {key}.{column} saved {value}, the entry "
                                    f"held {old[column]}")
        for key, old in before.items():
            entry = now.get(key)
            if entry is None:
                failures.append(f"{entry_table}: entry {key} disappeared")
            elif key in backups:
                converted += 1
            elif number(entry[rate]) == NEW_RATE.get(number(old[rate])):
                failures.append(f"{entry_table}: {key} rewritten to {entry[rate]} without a "
                                f"backup row")
            elif entry != old:
                changed = [c for c in old if old[c] != entry[c]]
                failures.append(f"{entry_table}: {key} half-rewritten without a backup row "
                                f"({', '.join(changed)})")
        if len(now) != len(before):
            failures.append(f"{entry_table}: {len(now)} entries, {len(before)} before")
        if has_table(account, JOURNAL_TABLE):
            journaled = journaled_keys(account, entry_table, keys)
            for key in sorted(set(backups) - journaled):
                failures.append(f"{entry_table}: {key} rewritten without its journal rows")
            for key in sorted(journaled - set(backups)):
                failures.append(f"{entry_table}: journal rows of {key}, not rewritten")

    written = ({k[0].lower() for k in KINDS} | {k[1].lower() for k in KINDS} |
               {RUN_TABLE.lower(), JOURNAL_TABLE.lower()})
    for (table,) in original.execute("SELECT name FROM sqlite_master WHERE type='table'"):
        if table.lower() not in written and table_rows(account, table) != table_rows(original,
                                                                                      table):
            failures.append(f"{table}: changed, though the adjustment does not write it")

    if reference_path:
        reference = sqlite3.connect(reference_path)
        for entry_table, backup_table, _, _ in KINDS:
            for table in (entry_table, backup_table):
                if table_rows(account, table) != table_rows(reference, table):
                    failures.append(f"{table}: differs from the uninterrupted run's")

    for failure in failures[:50]:
        print(failure)
    if len(failures) > 50:
        print(f"... and {len(failures) - 50} more")
    print(f"{converted} converted lines, {len(failures)} invariant failures")
    return not failures


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    sys.exit(0 if check(*sys.argv[1:]) else 1)
