#!/usr/bin/env bash
# Builds the tool and runs it on the embedded demo account: the window when there is a display,
# otherwise the whole job through the command line.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/ensure-packages.sh --runtime
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)"

if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" && -x build/bin/q9taxrate ]]; then
    exec build/bin/q9taxrate
fi

# No display: the operator's whole job on a fresh demo account, kept in a temporary folder.
cli=build/bin/q9taxrate-cli
"$cli" --version
work=$(mktemp -d "${TMPDIR:-/tmp}/q9taxrate-demo.XXXXXX")
db="$work/demo.db"
failed=0

echo "== demo account: $db"
"$cli" demo-db "$db"

declare -A option_of=([po]=--po [so]=--so [payable]=--payable [receivable]=--receivable)
adjust_files=()
for kind in po so payable receivable; do
    echo "== export $kind"
    status=0
    "$cli" --db "sqlite:$db" export "$kind" "$work/$kind.xls" --overwrite || status=$?
    if ((status != 0)); then
        echo "export $kind ended with status $status"
        failed=1
    fi
    # Every row is kept: the workbook goes back as it was written.
    if [[ -f "$work/$kind.xls" ]]; then
        adjust_files+=("${option_of[$kind]}" "$work/$kind.xls")
    fi
done

echo "== files written"
ls -l "$work"/*.xls 2>/dev/null || echo "(no workbook: no candidate lines)"

echo "== one-click adjustment: 17% to 16%, 11% to 10%, tax-inclusive price kept, all master data"
status=0
"$cli" --db "sqlite:$db" adjust --17to16 --11to10 --rule inclusive \
    --materials --customers --suppliers "${adjust_files[@]}" \
    --report "$work/skipped-lines.csv" --yes || status=$?
if ((status != 0)); then
    echo "adjust ended with status $status"
    failed=1
fi
echo "== skipped-line report: $work/skipped-lines.csv"
echo "== account after the adjustment: $db"
exit "$failed"
