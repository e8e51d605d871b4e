#!/usr/bin/env bash
# One whole account as the operator runs it, through the headless front end of the Release
# build: a generated embedded account, the export of each kind into its workbooks (po.xls,
# po1.xls, ...), then one adjustment of both standard rates with every workbook of every kind.
# Each step is a process of its own, timed by /usr/bin/time (wall, user, system, peak RSS), and
# reported as machine-readable lines RESULT account.NAME.STEP.FIELD=VALUE for bench/run-all.sh.
#
# usage: bench/account_run.sh [--build-dir DIR] [--work-dir DIR] [--name NAME] [--no-build]
#                             [--keep] ENTRIES
#   ENTRIES     generated entry lines per document kind; the four kinds give about 2.57
#               candidate lines per entry: 38500 gives about 100,000 lines in 8 workbooks,
#               385000 about 1,000,000 lines in 62 workbooks
#   --build-dir the Release build (default build/release, as bench/run-all.sh)
#   --work-dir  where the account and its workbooks go (default DIR/account-run/NAME): a new or
#               empty folder, or one this script made; emptied first, removed at the end unless
#               --keep (about 1 GB at 1,000,000 lines)
#   --name      the size in the RESULT names (default ENTRIES)
#   --no-build  take DIR/bin/q9taxrate-cli as it is (bench/run-all.sh has built it)
# Exit status 0 when every step succeeded and the adjustment read every exported line.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    echo "usage: bench/account_run.sh [--build-dir DIR] [--work-dir DIR] [--name NAME]" \
        "[--no-build] [--keep] ENTRIES" >&2
    exit 2
}

build=build/release
work=
name=
entries=
build_cli=yes
keep=no
while [[ $# -gt 0 ]]; do
    case $1 in
        --build-dir) build=$2; shift 2 ;;
        --work-dir) work=$2; shift 2 ;;
        --name) name=$2; shift 2 ;;
        --no-build) build_cli=no; shift ;;
        --keep) keep=yes; shift ;;
        -*) usage ;;
        *) [[ -z $entries ]] || usage; entries=$1; shift ;;
    esac
done
[[ $entries =~ ^[1-9][0-9]*$ ]] || usage
name=${name:-$entries}
[[ $name =~ ^[A-Za-z0-9_]+$ ]] || { echo "account_run.sh: --name takes letters and digits" >&2; exit 2; }
work=${work:-$build/account-run/$name}

if [[ ! -x /usr/bin/time ]]; then
    echo "account_run.sh: /usr/bin/time is missing (scripts/ensure-packages.sh installs it)" >&2
    exit 1
fi
if [[ $build_cli == yes ]]; then
    echo "== building q9taxrate-cli (Release) in $build"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQ9_BUILD_APP=OFF -DQ9_BUILD_TESTS=OFF \
        -DQ9_BUILD_BENCH=ON -DQ9_WARNINGS_AS_ERRORS=OFF >/dev/null
    cmake --build "$build" -j"$(nproc)" --target q9taxrate-cli >/dev/null
fi
if [[ ! -x $build/bin/q9taxrate-cli ]]; then
    echo "account_run.sh: no $build/bin/q9taxrate-cli (build it, or leave out --no-build)" >&2
    exit 1
fi
cli=$(cd "$build" && pwd)/bin/q9taxrate-cli

# Only a folder this script made is emptied: a mistyped --work-dir must not cost anyone files.
if [[ -e $work && ! -f $work/.account_run ]] && [[ -n $(ls -A "$work" 2>/dev/null) || ! -d $work ]]; then
    echo "account_run.sh: $work exists and was not made by this script; give another --work-dir" >&2
    exit 2
fi
rm -rf "$work"
mkdir -p "$work"
touch "$work/.account_run"
work=$(cd "$work" && pwd)
account=$work/account.db
complete=1

result() { echo "RESULT account.$name.$1=$2"; }

# report_times STEP: the RESULT lines of one line "wall user system peak-KiB" on stdin.
report_times() {
    awk -v prefix="RESULT account.$name.$1." '{
        printf "%swall_s=%.2f\n%suser_s=%.2f\n%ssys_s=%.2f\n", prefix, $1, prefix, $2, prefix, $3
        printf "%scpu_s=%.2f\n%speak_rss_mib=%.1f\n", prefix, $2 + $3, prefix, $4 / 1024
    }'
}

# timed STEP COMMAND...: runs COMMAND with its output in $work/STEP.out and .err, its figures in
# $work/STEP.time as "wall user system peak-KiB exit-status"; prints the step's RESULT lines.
timed() {
    local step=$1
    shift
    local status=0
    /usr/bin/time -f '%e %U %S %M' -o "$work/$step.time.raw" "$@" \
        >"$work/$step.out" 2>"$work/$step.err" || status=$?
    # On a failure time writes a line of its own first; the figures are on the last line.
    echo "$(tail -n 1 "$work/$step.time.raw") $status" >"$work/$step.time"
    report_times "$step" <"$work/$step.time"
    result "$step.exit_status" "$status"
    if [[ $status -ne 0 ]]; then
        complete=0
        echo "$step: exit status $status" >&2
        tail -n 5 "$work/$step.err" >&2
    fi
}

echo "== account of $entries entries per kind in $work"
timed create "$cli" demo-db "$account" --entries "$entries"
cat "$work/create.err"

kinds=(po so payable receivable)
declare -A label
adjust_args=()
exported=0
workbooks=0
for kind in "${kinds[@]}"; do
    timed "export_$kind" "$cli" --db "sqlite:$account" export "$kind" "$work/$kind.xls"
    summary=$(grep -m 1 -E '^(exported [0-9]+ lines|no lines) of ' "$work/export_$kind.err" || true)
    echo "$kind: ${summary:-no summary}"
    lines=0
    if [[ $summary =~ ^exported\ ([0-9]+)\ lines\ of\ (.*)\ to\  ]]; then
        lines=${BASH_REMATCH[1]}
        label[$kind]=${BASH_REMATCH[2]}
    elif [[ -z $summary ]]; then
        complete=0
    fi
    # The export names them KIND.xls, KIND1.xls, KIND2.xls, ... and the run takes them in order.
    count=0
    file=$work/$kind.xls
    while [[ -f $file ]]; do
        adjust_args+=("--$kind" "$file")
        count=$((count + 1))
        file=$work/$kind$count.xls
    done
    result "export_$kind.lines" "$lines"
    result "export_$kind.workbooks" "$count"
    exported=$((exported + lines))
    workbooks=$((workbooks + count))
done
# The four exports as one step: times added up, the largest peak.
cat "$work"/export_*.time |
    awk '{ w += $1; u += $2; s += $3; if ($4 > p) p = $4 } END { print w, u, s, p }' |
    report_times export
result export.lines "$exported"
result export.workbooks "$workbooks"
result entries "$entries"

if [[ ${#adjust_args[@]} -eq 0 ]]; then
    echo "no workbook to adjust" >&2
    result complete 0
    exit 1
fi
timed adjust "$cli" --db "sqlite:$account" adjust --17to16 --11to10 --yes \
    --report "$work/report.csv" "${adjust_args[@]}"
grep -E '^(rate changes made|converted) ' "$work/adjust.err" || true
echo "last line of the output: $(tail -n 1 "$work/adjust.out")"

# One "converted C lines of KIND (R rows read, L listed, U unchanged[, M matching no line]
# [, F failed][, stopped ...])" line per workbook; added up per kind and over the run.
declare -A figure
for kind in "${kinds[@]}"; do
    for field in converted rows listed unchanged unmatched failed stopped; do figure[$kind.$field]=0; done
done
while IFS= read -r line; do
    [[ $line =~ ^converted\ ([0-9]+)\ lines\ of\ (.*)\ \(([0-9]+)\ rows\ read,\ ([0-9]+)\ listed,\ ([0-9]+)\ unchanged(.*)\)$ ]] ||
        continue
    which=
    for kind in "${kinds[@]}"; do
        if [[ ${label[$kind]-} == "${BASH_REMATCH[2]}" ]]; then which=$kind; fi
    done
    [[ -n $which ]] || { echo "unknown kind in: $line" >&2; complete=0; continue; }
    rest=${BASH_REMATCH[6]}
    figure[$which.converted]=$((figure[$which.converted] + BASH_REMATCH[1]))
    figure[$which.rows]=$((figure[$which.rows] + BASH_REMATCH[3]))
    figure[$which.listed]=$((figure[$which.listed] + BASH_REMATCH[4]))
    figure[$which.unchanged]=$((figure[$which.unchanged] + BASH_REMATCH[5]))
    if [[ $rest =~ ,\ ([0-9]+)\ matching\ no\ line ]]; then
        figure[$which.unmatched]=$((figure[$which.unmatched] + BASH_REMATCH[1]))
    fi
    if [[ $rest =~ ,\ ([0-9]+)\ failed ]]; then
        figure[$which.failed]=$((figure[$which.failed] + BASH_REMATCH[1]))
    fi
    if [[ $rest == *stopped* || $rest == *"not read"* ]]; then
        figure[$which.stopped]=$((figure[$which.stopped] + 1))
    fi
done <"$work/adjust.err"
declare -A total
for field in converted rows listed unchanged unmatched failed stopped; do
    total[$field]=0
    for kind in "${kinds[@]}"; do
        if [[ $field == converted || $field == rows || $field == listed ]]; then
            result "adjust_$kind.$field" "${figure[$kind.$field]}"
        fi
        total[$field]=$((total[$field] + figure[$kind.$field]))
    done
    result "adjust.$field" "${total[$field]}"
done
report_rows=0
if [[ -f $work/report.csv ]]; then report_rows=$(($(wc -l <"$work/report.csv") - 1)); fi
result adjust.report_rows "$report_rows"
if [[ ${total[rows]} -ne $exported ]]; then
    echo "the adjustment read ${total[rows]} rows of the $exported exported" >&2
    complete=0
fi
if [[ ${total[failed]} -ne 0 || ${total[stopped]} -ne 0 ]]; then complete=0; fi
result complete "$complete"

if [[ $keep == no ]]; then rm -rf "$work"; fi
[[ $complete -eq 1 ]]
