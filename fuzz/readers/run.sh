#!/bin/bash
# Runs the reader fuzz targets for a while each:
#   run.sh <build folder> <seconds per target> [targets...]
# Targets: bar_scan qr_scan dm_scan microqr_scan pdf417_scan qr_segments
# microqr_segments dm_encodation pdf417_compaction (default: all).
# FUZZ_JOBS=n runs n targets at once (default 1); FUZZ_KEEP_GOING=1 goes on
# after a finding (libFuzzer's fork mode) instead of stopping at the first.
# Corpora grow in <build>/fuzz/readers/corpus/<target>; failing inputs land in
# <build>/fuzz/readers/findings/. Exits 1 when any target found something.
set -u
build=$1
seconds=$2
shift 2
targets=${*:-bar_scan qr_scan dm_scan microqr_scan pdf417_scan qr_segments microqr_segments dm_encodation pdf417_compaction}
jobs=${FUZZ_JOBS:-1}
dir=$build/fuzz/readers
seeds=$dir/seeds.$$
trap 'rm -rf "$seeds"' EXIT
"$dir/reader_fuzz_seeds" "$seeds" || exit 2
mkdir -p "$dir/findings"

run_one() {
    target=$1
    mkdir -p "$dir/corpus/$target" "$seeds/$target"
    log=$dir/findings/$target.log
    case $target in
        *_scan) max_len=200000 ;;
        *) max_len=6000 ;;
    esac
    keep=
    [ "${FUZZ_KEEP_GOING:-0}" = 1 ] && keep="-fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1"
    # A scan of a picture of at most 2^18 pixels that takes more than 20 s, or
    # asks for more than 512 MB at once, is a finding.
    # shellcheck disable=SC2086
    nice "$dir/${target}_fuzzer" $keep -max_total_time="$seconds" -max_len=$max_len -timeout=20 \
        -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1 \
        -artifact_prefix="$dir/findings/$target-" "$dir/corpus/$target" "$seeds/$target" >"$log" 2>&1
    rc=$?
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    [ -n "$execs" ] || execs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1)
    echo "$target: ${execs:-?} executions in ${seconds}s, $cov, exit $rc, corpus $(ls "$dir/corpus/$target" | wc -l) files (log $log)"
    return $rc
}

status=0
running=0
for target in $targets; do
    run_one "$target" &
    running=$((running + 1))
    if [ $running -ge "$jobs" ]; then
        wait -n || status=1
        running=$((running - 1))
    fi
done
while [ $running -gt 0 ]; do
    wait -n || status=1
    running=$((running - 1))
done
ls "$dir/findings" | grep -qv '\.log$' && status=1
exit $status
