#!/usr/bin/env bash
# quillan-report.exe under Wine prints the same bytes as the Linux build: standard output,
# standard error and exit status, on the sample, a Windows-1252 log and generated logs,
# with each kind of output. Run by ctest in the Windows build.
#   report-same-bytes.sh LINUX_REPORT LINUX_LOGGEN WINE_RUN REPORT_EXE SOURCE_DIR WORK_DIR
set -euo pipefail
linux=$1 loggen=$2 wine_run=$3 exe=$4 source=$5 work=$6
for tool in "$linux" "$loggen"; do
    if [ ! -x "$tool" ]; then
        echo "FAIL: no Linux build at '$tool' (scripts/windows-build makes one beside the Windows build)"
        exit 1
    fi
done
rm -rf "$work"
mkdir -p "$work"

logs=("$source/examples/getright.log" "$source/tests/fuzz/corpus/windows-1252.log")
for shape in "3000 1" "40000 7"; do
    read -r lines seed <<<"$shape"
    "$loggen" "$lines" "$work/generated-$lines.log" "$seed"
    logs+=("$work/generated-$lines.log")
done

failures=0
runs=0
compare() { # LOG OPTION...
    local log=$1
    shift
    local status_linux=0 status_windows=0
    "$linux" "$@" "$log" >"$work/linux.out" 2>"$work/linux.err" || status_linux=$?
    "$wine_run" "$exe" "$@" "$log" >"$work/windows.out" 2>"$work/windows.err" || status_windows=$?
    runs=$((runs + 1))
    local what="${log##*/} $*"
    if [ "$status_linux" != "$status_windows" ]; then
        echo "FAIL $what: exit status $status_linux on Linux, $status_windows under Wine"
        failures=$((failures + 1))
    elif ! cmp -s "$work/linux.out" "$work/windows.out"; then
        echo "FAIL $what: standard output differs"
        diff <(od -c "$work/linux.out") <(od -c "$work/windows.out") | head -8
        failures=$((failures + 1))
    elif ! cmp -s "$work/linux.err" "$work/windows.err"; then
        echo "FAIL $what: standard error differs"
        diff "$work/linux.err" "$work/windows.err" | head -8
        failures=$((failures + 1))
    else
        echo "PASS $what ($(wc -c <"$work/linux.out") bytes)"
    fi
}

for log in "${logs[@]}"; do
    compare "$log"
    compare "$log" --records --nodes
    compare "$log" --json --sort date,name,url,local
    compare "$log" --locale en_GB --stats --tree --sort local
    compare "$log" --search exe --search-steps top,next,next,prev,prev
    # "Execute" on the first URL node and the first local path node.
    "$linux" --nodes "$log" >"$work/nodes"
    for kind in URL "Local Path"; do
        key=$(awk -F'\t' -v kind="$kind" 'index($4, kind) == 1 { print $2; exit }' "$work/nodes")
        [ -n "$key" ] && compare "$log" --execute "$key"
    done
done
# Usage errors and a missing file say the same, with the same status.
compare "$source/examples/getright.log" --sort sideways
compare "$work/no-such.log" --stats

echo "$runs runs, $failures differ"
[ "$failures" -eq 0 ]
