#!/usr/bin/env bash
# The hardening run: the host unit tests once under ASan and UBSan, then
# both fuzz targets built with clang and libFuzzer, the saved crashers
# replayed, and each target fuzzed for a bounded time.
#
#   FUZZ_SECONDS  seconds each target is fuzzed (default 60; 0 skips fuzzing)
#   BUILD_ROOT    where the two build folders go (default build/ of the tree)
#   JOBS          parallel compile jobs (default 2)
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build_root=${BUILD_ROOT:-$repo/build}
fuzz_seconds=${FUZZ_SECONDS:-60}
jobs=${JOBS:-2}
sanitize_build=$build_root/sanitize
fuzz_build=$build_root/fuzz
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

"$repo/scripts/install-deps.sh"

echo "== unit tests under ASan and UBSan"
cmake -S "$repo" -B "$sanitize_build" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS="$sanitizers" -DCMAKE_CXX_FLAGS="$sanitizers" \
  -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" >/dev/null
cmake --build "$sanitize_build" -j "$jobs" --target unit_tests
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$sanitize_build/unit_tests" --gtest_brief=1

echo "== fuzz targets"
cmake -S "$repo/fuzz" -B "$fuzz_build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$fuzz_build" -j "$jobs"

# Each allocation and the whole process stay bounded: a run that asks for
# more is a finding.
limits=(-rss_limit_mb=2048 -malloc_limit_mb=2048 -max_len=16384 -timeout=10)

for target in launcher_file_fuzzer sealed_package_fuzzer; do
  binary=$fuzz_build/$target
  seeds=$fuzz_build/seeds-$target
  corpus=$fuzz_build/corpus-$target
  crashers=$repo/fuzz/crashers/$target
  rm -rf "$seeds"
  "$binary" --write-seeds "$seeds"
  mkdir -p "$corpus"

  saved=()
  if [ -d "$crashers" ]; then
    while IFS= read -r -d '' file; do saved+=("$file"); done < <(find "$crashers" -type f -print0 | sort -z)
  fi
  if [ ${#saved[@]} -gt 0 ]; then
    echo "== $target: replaying ${#saved[@]} saved crashers"
    "$binary" "${limits[@]}" "${saved[@]}"
  fi

  if [ "$fuzz_seconds" -gt 0 ]; then
    echo "== $target: fuzzing for $fuzz_seconds s"
    log=$fuzz_build/$target.log
    if ! "$binary" "${limits[@]}" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
      -artifact_prefix="$fuzz_build/$target-" "$corpus" "$seeds" >"$log" 2>&1; then
      tail -n 60 "$log"
      echo "$target: finding; the input is saved as $fuzz_build/$target-*" >&2
      exit 1
    fi
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$target: ${executions:-?} executions in $fuzz_seconds s, no finding"
  fi
done
