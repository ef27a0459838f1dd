#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each of them for
# FUZZ_SECONDS (default 60) on its seed corpus. 'make fuzz' calls this.
#
#   fuzz/fuzz.sh                 every target
#   fuzz/fuzz.sh compiler link   only these (names without the fuzz_ prefix)
#
# Environment: FUZZ_SECONDS, FUZZ_BUILD (build folder, default build-fuzz),
# JOBS (parallel compile jobs). Exits non-zero when a target found a crash,
# a hang, a leak or a sanitizer report; the input lands in
# $FUZZ_BUILD/crashes/<target>/ and the run's log in $FUZZ_BUILD/logs/.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${FUZZ_SECONDS:-60}"
build="${FUZZ_BUILD:-build-fuzz}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
jobs="${JOBS:-2}"
all_targets=(compiler lookup program_file disassembler profile link measurement_file command_line)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

# clang 14 with its libFuzzer runtime; only fuzzing needs them, so they are
# installed here and not with the everyday build's packages.
missing=()
for p in clang-14 libclang-rt-14-dev; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
env -u MAKEFLAGS -u MAKELEVEL -u MFLAGS \
    cmake --build "$build" -j "$jobs" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

failed=()
for t in "${targets[@]}"; do
    corpus="$build/corpus/$t"   # what the run adds; the seeds stay as they are
    crashes="$build/crashes/$t"
    log="$build/logs/$t.log"
    mkdir -p "$corpus" "$crashes" "$(dirname "$log")"
    extra=()
    [ "$t" = disassembler ] && extra+=(-max_len=128)
    echo "fuzz_$t: ${seconds} s ..."
    status=0
    "$build/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$crashes/" "${extra[@]}" \
        "$corpus" "$root/fuzz/corpus/$t" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [ "$status" -eq 0 ]; then
        echo "fuzz_$t: ${runs:-?} runs, nothing found"
    else
        failed+=("$t")
        echo "fuzz_$t: FAILED after ${runs:-?} runs (exit $status); see $log"
        ls "$crashes" | sed 's/^/    /'
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "make fuzz: findings in: ${failed[*]}" >&2
    exit 1
fi
echo "make fuzz: ${#targets[@]} targets, ${seconds} s each, nothing found"
