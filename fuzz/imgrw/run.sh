#!/bin/sh
# Runs each ZrImgRW fuzz target for a while: run.sh <build folder> <seconds per target> [formats...]
# Corpora grow in <build>/fuzz/imgrw/corpus/<format>; inputs that fail land in
# <build>/fuzz/imgrw/findings/. Exits 1 when any target found something.
set -u
build=$1
seconds=$2
shift 2
formats=${*:-bmp png jpeg tiff}
dir=$build/fuzz/imgrw
# Seeds are written afresh for each run, in a folder of its own.
seeds=$dir/seeds.$$
trap 'rm -rf "$seeds"' EXIT
"$dir/imgrw_fuzz_seeds" "$seeds" || exit 2
mkdir -p "$dir/findings"
status=0
for format in $formats; do
    mkdir -p "$dir/corpus/$format"
    log=$dir/findings/$format.log
    # Fuzz builds take pictures of up to 2^22 pixels (12 MB at 24 bits): a read
    # that asks for more than 256 MB at once, or takes more than 20 s, is a finding.
    "$dir/imgrw_${format}_fuzzer" -dict="$(dirname "$0")/$format.dict" -max_total_time="$seconds" -max_len=65536 -timeout=20 \
        -rss_limit_mb=2048 -malloc_limit_mb=256 -use_value_profile=1 -print_final_stats=1 \
        -artifact_prefix="$dir/findings/$format-" "$dir/corpus/$format" "$seeds/$format" >"$log" 2>&1
    rc=$?
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    echo "$format: ${execs:-?} executions in ${seconds}s, exit $rc, corpus $(ls "$dir/corpus/$format" | wc -l) files (log $log)"
    [ $rc -eq 0 ] || status=1
done
exit $status
