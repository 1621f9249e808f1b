#!/bin/sh
# Runs clang-tidy (checks in .clang-tidy) over every C++ file the build
# compiles: the libraries, zrread, ZrDemo, the tests and the benchmarks.
# Fails when it reports anything. Usage: scripts/tidy.sh [build-dir] [jobs]
set -eu
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
JOBS="${2:-$(nproc 2>/dev/null || echo 2)}"
if [ ! -f "$BUILD/compile_commands.json" ]; then
    echo "tidy: $BUILD/compile_commands.json is missing; configure the build first" >&2
    exit 2
fi
root="$(pwd)"
# Generated sources (Qt's moc and autogen files) are not the project's own.
files="$(sed -n 's/^ *"file": "\(.*\)",*$/\1/p' "$BUILD/compile_commands.json" |
    grep "^$root/" | grep -v "^$root/$BUILD/" | grep -v '_autogen/' | sort -u)"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
# shellcheck disable=SC2086
run-clang-tidy -quiet -p "$BUILD" -j "$JOBS" $files 2>&1 |
    sed 's/\x1b\[[0-9;]*m//g' >"$log" || true
if grep -E ': (warning|error): ' "$log" >/dev/null; then
    grep -E ': (warning|error): ' "$log" | sort -u
    echo "tidy: $(grep -cE ': (warning|error): ' "$log") findings" >&2
    exit 1
fi
echo "tidy: no findings in $(echo "$files" | wc -l) files"
