#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang-14 (AddressSanitizer and
# UndefinedBehaviorSanitizer on the whole core) and runs each over its seed corpus.
#   scripts/fuzz.sh [SECONDS] [TARGET...]   default: 20 seconds for every target
# Findings are written to build/fuzz/findings/<target>/ and end the script with status 1.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(text_records counts_file raw_block plate_file calvalue project_files repoconf)

dir=build/fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
CC=clang-14 CXX=clang++-14 cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMOVEXA_FUZZ=ON -DMOVEXA_GUI=OFF -DMOVEXA_TESTS=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for t in "${targets[@]}"; do
  corpus="fuzz/corpus/$t"
  work="$dir/corpus/$t"
  findings="$dir/findings/$t"
  mkdir -p "$work" "$findings"
  echo "== fuzz_$t: ${seconds}s over $corpus"
  # New inputs go to the work folder, so the committed seeds stay as they are.
  if ! "$dir/fuzz/fuzz_$t" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/" -print_final_stats=1 "$work" "$corpus" 2>"$dir/fuzz_$t.log"; then
    echo "fuzz_$t found a fault (input in $findings/):"
    tail -40 "$dir/fuzz_$t.log"
    status=1
  else
    grep -E 'stat::number_of_executed_units|cov:' "$dir/fuzz_$t.log" | tail -2 || true
  fi
done
exit $status
