#!/usr/bin/env bash
# Runs every fuzzer of a "fuzz" build for a bounded time, starting from the seeds
# of make-fuzz-seeds.sh. Inputs that break something land in
# BUILD/fuzz-artifacts/<target>/; copy each into tests/data/fuzz-regressions/<target>/
# so that the normal test suite replays it.
# Usage: scripts/run-fuzzers.sh BUILD_DIR SECONDS_PER_TARGET [TARGET...]
# Exit status: 0 no finding, 1 a fuzzer found a problem, 2 a fuzzer is missing.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: $0 BUILD_DIR SECONDS [TARGET...]}" && pwd)
seconds=${2:?usage: $0 BUILD_DIR SECONDS [TARGET...]}
shift 2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(zip_reader zip_update tasks_store history_store options_store mask archive_name)
fi

"$root/scripts/make-fuzz-seeds.sh" "$build/fuzz-seeds" >/dev/null
# Scratch files of the fuzzers go to memory when the machine offers it.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
missing=()
for t in "${targets[@]}"; do
    program="$build/bin/fuzz_$t"
    if [ ! -x "$program" ]; then
        echo "missing $program: build the \"fuzzers\" target of the fuzz preset first" >&2
        missing+=("$t")
        continue
    fi
    corpus="$build/fuzz-corpus/$t"
    artifacts="$build/fuzz-artifacts/$t"
    mkdir -p "$corpus" "$artifacts"
    dict=()
    case $t in zip_*) dict=(-dict="$root/tests/fuzz/zip.dict") ;; esac
    echo "== fuzz_$t for ${seconds}s"
    if ! "$program" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "${dict[@]}" \
        "$corpus" "$build/fuzz-seeds/$t" >"$build/fuzz-$t.log" 2>&1; then
        failed+=("$t")
        echo "   FAILED: see $build/fuzz-$t.log; inputs in $artifacts/"
        grep -m3 -E "ERROR|korvel fuzz|SUMMARY" "$build/fuzz-$t.log" | sed 's/^/   /'
    else
        grep -E "stat::number_of_executed_units|cov:" "$build/fuzz-$t.log" | tail -2 | sed 's/^/   /'
    fi
done
# A fuzzer that is not there is a broken build (2), not a finding (1).
if [ ${#missing[@]} -ne 0 ]; then
    echo "fuzzers missing from the build: ${missing[*]}" >&2
    exit 2
fi
if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzzers that found a problem: ${failed[*]}" >&2
    exit 1
fi
echo "all fuzzers ran ${seconds}s each without a finding"
