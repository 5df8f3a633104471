#!/usr/bin/env bash
# Installs what the build needs (Debian 12 packages, only those missing),
# configures, builds with all cores and runs the tests.
#   BUILD_DIR=dir      build folder (default build, or build-<sanitizers>)
#   SANITIZE=list      e.g. address,undefined or thread
#   CTEST_ARGS="..."   extra arguments for ctest (e.g. -R Log)
#   WERROR=ON          warnings fail the build (CI sets it)
#   DEBUG_INFO=lines   line tables only, for small build folders (CI sets it)
#   INSTALL_ONLY=1     install the packages and stop
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libcurl4-openssl-dev libssl-dev zlib1g-dev libminizip-dev
  libboost-dev libboost-thread-dev libboost-filesystem-dev libboost-system-dev
  libboost-date-time-dev libboost-random-dev
  libfreetype-dev libfontconfig-dev libpng-dev libx11-dev libxss-dev libffmpeg-nvenc-dev
  xvfb xauth fonts-dejavu-core fonts-liberation2 fonts-wqy-microhei
  clang-14 libclang-rt-14-dev
  zip unzip python3
  make dpkg-dev ccache 7zip
  util-linux iproute2
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# INSTALL_ONLY=1: the packages only (scripts/demo.sh).
[ -z "${INSTALL_ONLY:-}" ] || exit 0

sanitize="${SANITIZE:-}"
if [ -n "$sanitize" ]; then
  build_dir="${BUILD_DIR:-build-${sanitize//,/-}}"
else
  build_dir="${BUILD_DIR:-build}"
fi

# The archiver's source (Debian's source package, checked, in a cache outside the repository).
archiver_source="$(bash scripts/fetch-archiver.sh)"
# Benchmarks are built plain only; DEBUG_INFO=lines (CI) keeps only line tables.
benchmarks=ON
[ -z "$sanitize" ] || benchmarks=OFF
cmake -S . -B "$build_dir" -G Ninja -DSANITIZE="$sanitize" -DARCHIVER_SOURCE_DIR="$archiver_source" -DWERROR="${WERROR:-OFF}" \
  -DDEBUG_INFO="${DEBUG_INFO:-full}" -DBUILD_BENCHMARKS="$benchmarks" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}"
cd "$build_dir"
# Tests labelled x11 need a display: they run under a private Xvfb.
ctest --output-on-failure --parallel "$(nproc)" --timeout 300 -LE x11 ${CTEST_ARGS:-}
# Only when the selection (CTEST_ARGS) leaves x11 tests, so no run ends on "No tests were found".
if ctest -N -L x11 ${CTEST_ARGS:-} 2>/dev/null | grep -q "Total Tests: [1-9]"; then
  xvfb-run -a ctest --output-on-failure --timeout 300 -L x11 ${CTEST_ARGS:-}
fi
