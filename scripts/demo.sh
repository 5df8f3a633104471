#!/usr/bin/env bash
# The installer's main job on this machine, on loopback only:
#   scripts/demo.sh [--fault stall|corrupt|dead-mirror]
# Installs what is missing (scripts/test.sh's package list), builds the demo
# product (build-demo: the setup program with the demo manifest built in),
# serves the padded stand-in package from five mirrors on port 80 of
# 127.0.0.11-15, runs the real setup program against them and stops every
# server it started. Headless without a display: a PNG of every frame goes to
# build-demo/frames. Exits 0 only when the product stand-in was started.
#
# Port 80 and the ICMP ping need root. Without root the demo re-runs itself
# in a private user and network namespace (unshare), whose loopback it brings
# up; the host's network settings are never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

fault=""
while [ $# -gt 0 ]; do
  case "$1" in
    --fault) fault="${2:-}"; shift 2 ;;
    *) echo "usage: scripts/demo.sh [--fault stall|corrupt|dead-mirror]" >&2; exit 2 ;;
  esac
done
case "$fault" in
  "") rig_fault=() ;;
  stall) rig_fault=(--fault stall@1:1048576) ;;
  corrupt) rig_fault=(--fault corrupt@2:3) ;;
  dead-mirror) rig_fault=(--fault status@0:503) ;;
  *) echo "unknown fault $fault (stall, corrupt, dead-mirror)" >&2; exit 2 ;;
esac

if [ "$(id -u)" -ne 0 ] && [ -z "${DEMO_IN_NAMESPACE:-}" ]; then
  if ! command -v unshare >/dev/null || ! unshare --user --map-root-user --net true 2>/dev/null; then
    echo "The demo needs root (port 80 and the ICMP ping) or unprivileged user namespaces for unshare." >&2
    exit 1
  fi
  INSTALL_ONLY=1 bash scripts/test.sh
  exec env DEMO_IN_NAMESPACE=1 unshare --user --map-root-user --net bash -c \
    'ip link set lo up 2>/dev/null || true; exec bash "$0" "$@"' "$0" ${fault:+--fault "$fault"}
fi

[ -n "${DEMO_IN_NAMESPACE:-}" ] || INSTALL_ONLY=1 bash scripts/test.sh
build="$root/build-demo"
export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$root"
archiver_source="$(bash scripts/fetch-archiver.sh)"
cmake -S . -B "$build" -G Ninja -DARCHIVER_SOURCE_DIR="$archiver_source" >/dev/null
cmake --build "$build" --parallel 4 --target mirror_rig stand_in_package_padded >/dev/null

package="$build/tests/setup/package/stand_in_package.padded"
machine="$build/machine"
rm -rf "$machine" "$build/frames"
mkdir -p "$machine" "$build/frames"
manifest="$build/demo-manifest.xml"

rig_pid=""
cleanup() {
  if [ -n "$rig_pid" ] && kill -0 "$rig_pid" 2>/dev/null; then kill "$rig_pid" 2>/dev/null || true; wait "$rig_pid" 2>/dev/null || true; fi
  exec 3>&- 2>/dev/null || true
}
trap cleanup EXIT INT TERM

# The mirrors run until their standard input closes (the cleanup).
coproc_in="$build/rig.in"
rm -f "$coproc_in"; mkfifo "$coproc_in"
"$build/tests/download/mirror_rig" --mirrors 5 --file "$package" --prefix 127.0.0. --port 80 \
  --manifest "$manifest" "${rig_fault[@]}" < "$coproc_in" > "$build/rig.log" 2>&1 &
rig_pid=$!
exec 3>"$coproc_in"
for _ in $(seq 50); do [ -s "$manifest" ] && break; sleep 0.1; done
[ -s "$manifest" ] || { echo "the mirrors did not start:"; cat "$build/rig.log"; exit 1; }

# The demo manifest is a build input of the demo product.
cmake -S . -B "$build" -DSETUP_DEMO_MANIFEST="$manifest" >/dev/null
cmake --build "$build" --parallel 4 --target setup_app >/dev/null

echo "mirrors: $(tr '\n' ' ' < "$build/rig.log")"
start=$(date +%s.%N)
set +e
WEBINSTALLER_MACHINE_ROOT="$machine" WEBINSTALLER_FRAMES="$build/frames" \
  "$build/setup/setup" > "$build/setup.out" 2>&1 &
setup_pid=$!
log=""
while kill -0 "$setup_pid" 2>/dev/null; do
  log="$(find "$machine" -name install.log 2>/dev/null | head -1)"
  if [ -n "$log" ]; then
    line="$(grep -aoE 'Download Finish Result[^.]*|Begin install|Run Qov|OnBtnInstall[^ ]*' "$log" | tail -1)"
    printf '\r%-70s' "${line:-starting}"
  fi
  sleep 0.5
done
wait "$setup_pid"; code=$?
set -e
end=$(date +%s.%N)
echo
log="$(find "$machine" -name install.log 2>/dev/null | head -1)"
recorder="$(find "$machine" -name started-with.txt 2>/dev/null | head -1)"
size=$(stat -c %s "$package")
seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
echo "install log: $log"
awk -v s="$seconds" -v n="$size" 'BEGIN { printf "seconds=%.1f (the 30-second countdown included) MiB/s=%.1f\n", s, n / 1048576 / s }'
echo "blocks repaired: $(grep -ac 'Download_RepairData : GetBestURL Info' "$log" || true)"
echo "package: $(grep -aoE 'the package ended with [0-9]+' "$log" | tail -1)"
echo "frames: $(ls "$build/frames" | wc -l) PNGs in $build/frames"
if [ -n "$recorder" ]; then
  echo "product started with: $(cat "$recorder")"
  exit 0
fi
echo "the product was not started (setup exit code $code)"
exit 1
