#!/usr/bin/env bash
# Builds the libFuzzer programs with clang, ASan and UBSan into build-fuzz/
# and runs each for a bounded time, starting from the kept samples.
#   FUZZ_SECONDS=n   time per program (default 60; the two small reply
#                    readers get half of it each)
# A crash, leak or sanitizer report fails the script; the input is left in
# build-fuzz/artifacts/. Keep it as a regression sample: copy it into
# tests/formats/samples/<xml|json|zip>/ (tests/setup/samples/package/ for the
# package fuzzer, tests/download/samples/manifest/ for the manifest fuzzer,
# tests/stats/samples/<reply|profile>/ for the reply fuzzers) and fix the fault.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(clang-14 libclang-rt-14-dev)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir="${BUILD_DIR:-build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DSANITIZE=address,undefined -DFUZZ=ON -DDEBUG_INFO="${DEBUG_INFO:-full}" -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" --target XmlLoadFuzzer JsonParseFuzzer ZipReadFuzzer PackageInfoFuzzer ManifestParseFuzzer \
  StatsReplyFuzzer ProfileReplyFuzzer

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
half=$(( seconds > 1 ? seconds / 2 : 1 ))
# program:kind:folder:seconds (the program's build folder, its samples'
# source folder and its time).
for entry in XmlLoadFuzzer:xml:tests/formats:$seconds JsonParseFuzzer:json:tests/formats:$seconds \
    ZipReadFuzzer:zip:tests/formats:$seconds PackageInfoFuzzer:package:tests/setup:$seconds \
    ManifestParseFuzzer:manifest:tests/download:$seconds \
    StatsReplyFuzzer:reply:tests/stats:$half ProfileReplyFuzzer:profile:tests/stats:$half; do
  IFS=: read -r fuzzer kind folder limit <<< "$entry"
  corpus="$build_dir/corpus/$kind"
  artifacts="$build_dir/artifacts/$kind/"
  mkdir -p "$corpus" "$artifacts"
  echo "Fuzzing $fuzzer for ${limit}s"
  # The grown corpus stays in the build folder; the samples are only read.
  if ! "$build_dir/$folder/$fuzzer" "$corpus" "$folder/samples/$kind" \
      -max_total_time="$limit" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$artifacts" -print_final_stats=1 > "$build_dir/$fuzzer.log" 2>&1; then
    tail -n 60 "$build_dir/$fuzzer.log"
    echo "$fuzzer failed; the input is in $artifacts" >&2
    status=1
  else
    grep -E "^stat::number_of_executed_units|^Done" "$build_dir/$fuzzer.log" || true
  fi
done
exit $status
