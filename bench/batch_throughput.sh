#!/bin/sh
# zrread as a batch tool over a folder of sample pictures: pictures per second with -j 1 and
# -j 2, zxing-cpp's ZXingReader started once per file over the same files, and zrread's peak
# resident size over 2,000 and 20,000 pictures (the samples' paths repeated on standard input).
#
#   bench/batch_throughput.sh build/demo/zrread /work/shared/samples [ROUNDS]
#
# ROUNDS (default 3): how many times the sample list is read in each timed run.
set -eu

ZRREAD=${1:?usage: batch_throughput.sh ZRREAD SAMPLES_DIR [ROUNDS]}
SAMPLES=${2:?usage: batch_throughput.sh ZRREAD SAMPLES_DIR [ROUNDS]}
ROUNDS=${3:-3}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

find "$SAMPLES" -type f \( -name '*.png' -o -name '*.jpg' -o -name '*.bmp' -o -name '*.tif' \) | sort >"$WORK/once"
COUNT=$(wc -l <"$WORK/once")
: >"$WORK/rounds"
i=0
while [ "$i" -lt "$ROUNDS" ]; do cat "$WORK/once" >>"$WORK/rounds"; i=$((i + 1)); done
PICTURES=$(wc -l <"$WORK/rounds")

now() { date +%s.%N; }
rate() { awk -v n="$1" -v a="$2" -v b="$3" 'BEGIN { printf "%.1f", n / (b - a) }'; }

# The best of three runs, as pictures per second, and the processor seconds (user + system)
# that run took: equal on one and two threads when the threads add no work of their own.
zrread_rate() {
    best=0
    cpu=0
    for _ in 1 2 3; do
        /usr/bin/time -f "%e %U %S" -o "$WORK/cpu" "$ZRREAD" -j "$1" --format jsonl --quiet - \
            <"$WORK/rounds" >/dev/null || true
        r=$(awk -v n="$PICTURES" '{ printf "%.1f", n / $1 }' "$WORK/cpu")
        if awk -v a="$best" -v b="$r" 'BEGIN { exit !(b > a) }'; then
            best=$r
            cpu=$(awk '{ printf "%.2f", $2 + $3 }' "$WORK/cpu")
        fi
    done
    echo "$best $cpu"
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg), cores: $(nproc)"
echo "pictures: $COUNT sample files, read $ROUNDS times ($PICTURES pictures a run)"
set -- $(zrread_rate 1)
J1=$1
echo "zrread -j 1: $J1 pictures/s, $2 processor seconds"
set -- $(zrread_rate 2)
J2=$1
echo "zrread -j 2: $J2 pictures/s, $2 processor seconds ($(awk -v a="$J1" -v b="$J2" 'BEGIN { printf "%.2f", b / a }') x)"

if command -v ZXingReader >/dev/null 2>&1; then
    start=$(now)
    while IFS= read -r file; do ZXingReader "$file" >/dev/null 2>&1 || true; done <"$WORK/once"
    echo "ZXingReader, one process per file: $(rate "$COUNT" "$start" "$(now)") pictures/s"
else
    echo "ZXingReader not found (Debian zxing-cpp-tools): skipped"
fi

# Peak resident size; the list is the samples repeated to the length wanted.
peak() {
    awk -v n="$1" '{ line[NR] = $0 } END { for (i = 0; i < n; i++) print line[i % NR + 1] }' "$WORK/once" >"$WORK/list"
    /usr/bin/time -v "$ZRREAD" -j 2 --format jsonl --quiet - <"$WORK/list" 2>"$WORK/time" >/dev/null || true
    awk -F': ' '/Maximum resident set size/ { print $2 }' "$WORK/time"
}
P2K=$(peak 2000)
P20K=$(peak 20000)
echo "peak RSS, 2000 pictures: $P2K kB; 20000 pictures: $P20K kB ($(awk -v a="$P2K" -v b="$P20K" 'BEGIN { printf "%+.1f", (b - a) * 100 / a }') %)"
