#!/usr/bin/env bash
# run-fuzzers.sh <build-folder> <seconds>: run every fuzz target for a bounded time.
# A crash or sanitizer report fails the run; the seed is printed for replay.
set -uo pipefail
build="$1"
seconds="$2"
seed="${FUZZ_SEED:-$(date +%s)}"
failed=0
passed=0
for target in "$build"/tests/fuzz/fuzz_*; do
    [[ -x "$target" && -f "$target" ]] || continue
    name="$(basename "$target")"
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    echo "fuzz: $name for ${seconds}s (seed $seed)"
    if "$target" -max_total_time="$seconds" -seed="$seed" -max_len=4096 -print_final_stats=0 \
        -artifact_prefix="$build/crash-$name-" "$corpus" >"$build/$name.log" 2>&1; then
        passed=$((passed + 1))
    else
        echo "fuzz: $name FAILED (replay with FUZZ_SEED=$seed; log $build/$name.log)"
        tail -n 40 "$build/$name.log"
        failed=$((failed + 1))
    fi
done
if ((passed + failed == 0)); then
    echo "fuzz: no targets found in $build/tests/fuzz" >&2
    exit 1
fi
echo "fuzz: $passed targets clean, $failed failed"
((failed == 0))
