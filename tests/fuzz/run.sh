#!/bin/bash
# Runs each fuzz target for a bounded time under AddressSanitizer (leaks
# included) and UndefinedBehaviorSanitizer, starting from the committed
# seeds. New inputs the fuzzer finds go to BUILD_DIR/corpus/NAME, never into
# the seeds. A crash, a sanitizer report, a leak, a slow input or a failed
# check fails the run; the reproducer is left in BUILD_DIR as crash-*,
# leak-* or timeout-*.
#
# Usage: run.sh BUILD_DIR SECONDS_PER_TARGET
set -u
build=$(readlink -f "${1:?usage: run.sh BUILD_DIR SECONDS}")
seconds=${2:?usage: run.sh BUILD_DIR SECONDS}
here=$(dirname "$(readlink -f "$0")")

status=0
# name, largest input in bytes: a config file and a set-up are read up to
# 64 KiB (one byte more tells that it goes on), a typed number is short.
for target in config:66000 number:256 setup:66000; do
    name=${target%%:*}
    max_len=${target##*:}
    corpus=$build/corpus/$name
    log=$build/fuzz_$name.log
    mkdir -p "$corpus"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build/fuzz_$name" -max_total_time="$seconds" -max_len="$max_len" -timeout=5 \
        -rss_limit_mb=2048 -print_final_stats=1 -dict="$here/$name.dict" \
        -artifact_prefix="$build/" "$corpus" "$here/seeds/$name" >"$log" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    if [ "$rc" != 0 ]; then
        tail -n 40 "$log" >&2
        echo "fuzz_$name: FAILED (status $rc) after ${runs:-?} runs; log in $log" >&2
        status=1
    else
        echo "fuzz_$name: ${runs:-?} runs in ${seconds} s, no crash, leak or failed check" \
             "($(ls "$corpus" | wc -l) inputs in its corpus)"
    fi
done
exit $status
