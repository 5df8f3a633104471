#!/usr/bin/env bash
# The installer's main job on this machine, on loopback only:
#   scripts/demo.sh [--fault stall|corrupt|dead-mirror|decline]
# Installs what is missing (scripts/test.sh's package list), builds the demo
# product (build-demo: the setup program with the demo manifest and the
# loopback statistics server built in), serves the padded stand-in package
# from five mirrors on port 80 of 127.0.0.11-15, runs the statistics server
# on port 443 of 127.0.0.2, runs the real setup program against them and
# stops every server it started, whatever happens. Headless without a
# display: a PNG of every frame and of every page goes to build-demo/frames,
# and one terminal line follows the install. Exits 0 only when the product
# stand-in was started.
#
# --fault: one mirror stalls after its first MiB, one serves a corrupt block,
# one answers 503, or the first elevation prompt is declined.
#
# Port 80 and the ICMP ping need root. Without root the demo re-runs itself
# in a private user and network namespace (unshare), whose loopback it brings
# up; the host's network settings are never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

usage="usage: scripts/demo.sh [--fault stall|corrupt|dead-mirror|decline]"
fault=""
while [ $# -gt 0 ]; do
  case "$1" in
    --fault) [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }; fault="$2"; shift 2 ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done
rig_fault=()
declines=0
case "$fault" in
  "") ;;
  stall) rig_fault=(--fault stall@1:+1048576) ;;
  corrupt) rig_fault=(--fault corrupt@2:+1) ;;
  dead-mirror) rig_fault=(--fault status@0:503) ;;
  decline) declines=1 ;;
  *) echo "unknown fault $fault (stall, corrupt, dead-mirror, decline)" >&2; exit 2 ;;
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
cmake --build "$build" --parallel 4 --target mirror_rig stats_server stand_in_package_padded >/dev/null

package="$build/tests/setup/package/stand_in_package.padded"
machine="$build/machine"
frames="$build/frames"
rm -rf "$machine" "$frames"
mkdir -p "$machine" "$frames"
manifest="$build/demo-manifest.xml"
# The test CA signs the server for 127.0.0.1-4 and localhost: the setup program verifies it.
stats_host="127.0.0.2:443"
stats_ca="$build/stats-ca.pem"

rig_pid=""
stats_pid=""
setup_pid=""
stop_servers() {
  # Their standard inputs close: each stops and the statistics server prints
  # what it received. A server that does not stop in time is ended.
  exec 3>&- 4>&- 2>/dev/null || true
  local pid
  for pid in $rig_pid $stats_pid; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
    wait "$pid" 2>/dev/null || true
  done
  rig_pid=""
  stats_pid=""
}
cleanup() {
  if [ -n "$setup_pid" ] && kill -0 "$setup_pid" 2>/dev/null; then kill "$setup_pid" 2>/dev/null || true; fi
  stop_servers
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The mirrors and the statistics server run until their standard inputs close.
rm -f "$build/rig.in" "$build/stats.in" "$manifest" "$stats_ca"
mkfifo "$build/rig.in" "$build/stats.in"
"$build/tests/download/mirror_rig" --mirrors 5 --file "$package" --prefix 127.0.0. --port 80 --rate 524288 \
  --manifest "$manifest" "${rig_fault[@]}" < "$build/rig.in" > "$build/rig.log" 2>&1 &
rig_pid=$!
exec 3>"$build/rig.in"
"$build/tests/stats/stats_server" --seconds 0 --address "${stats_host%:*}" --port "${stats_host#*:}" \
  --ca-file "$stats_ca" < "$build/stats.in" > "$build/stats.log" 2>&1 &
stats_pid=$!
exec 4>"$build/stats.in"
for _ in $(seq 100); do [ -s "$manifest" ] && [ -s "$stats_ca" ] && break; sleep 0.1; done
[ -s "$manifest" ] || { echo "the mirrors did not start:"; cat "$build/rig.log"; exit 1; }
[ -s "$stats_ca" ] || { echo "the statistics server did not start:"; cat "$build/stats.log"; exit 1; }

# The demo product configuration is a build input: the manifest and the
# statistics server with its CA.
cmake -S . -B "$build" -DSETUP_DEMO_MANIFEST="$manifest" -DSETUP_DEMO_STATS_HOST="$stats_host" \
  -DSETUP_DEMO_STATS_CA="$stats_ca" >/dev/null
cmake --build "$build" --parallel 4 --target setup_app >/dev/null

echo "mirrors: $(tr '\n' ' ' < "$build/rig.log")"
echo "statistics: https://$stats_host/api/common_json_post/"
[ "$declines" -eq 0 ] || echo "fault: the first elevation prompt is declined"
[ ${#rig_fault[@]} -eq 0 ] || echo "fault: ${rig_fault[*]#--fault }"
answer=""
if [ -z "${DISPLAY:-}" ] || [ "${WEBINSTALLER_OUTPUT:-}" = headless ]; then
  # Headless: a box is answered with its first button (Continue), as a person would.
  answer=first
  echo "headless: the welcome page counts down 30 seconds, then the install starts"
fi
start=$(date +%s.%N)
set +e
WEBINSTALLER_MACHINE_ROOT="$machine" WEBINSTALLER_FRAMES="$frames" WEBINSTALLER_ANSWER="$answer" \
  WEBINSTALLER_MACHINE_ELEVATION_DECLINES="$declines" \
  "$build/setup/setup" > "$build/setup.out" 2>&1 &
setup_pid=$!
while kill -0 "$setup_pid" 2>/dev/null; do
  if [ -s "$frames/status.txt" ]; then
    read -r page percent speed < "$frames/status.txt" || true
    speed="${speed#speed=}"
    printf '\r%-18s %4s %%   %10s MiB/s ' "${page#page=}" "${percent#percent=}" \
      "$(awk -v b="${speed:-0}" 'BEGIN { printf "%.2f", b / 1048576 }')"
  fi
  sleep 0.2
done
wait "$setup_pid"; code=$?
setup_pid=""
set -e
end=$(date +%s.%N)
echo
stop_servers
# The summary reads logs that may lack a line: a missing one prints empty, never ends the script.
set +e +o pipefail

log="$(find "$machine" -name install.log 2>/dev/null | head -1)"
recorder="$(find "$machine" -name started-with.txt 2>/dev/null | head -1)"
size=$(stat -c %s "$package")
seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
echo "install log: $log"
final="$(grep -a '"install_status":"' "$build/stats.log" | grep -av '"install_status":"start"' | tail -1 | sed 's/^[^{]*//')"
echo "mirrors used: $(grep -ao '"used_url_info":\[[^]]*\]' <<<"$final" | grep -ao '"domain":"[^"]*"' | cut -d'"' -f4 | tr '\n' ' ')"
download_seconds="$(sed -n 's/^download_seconds=//p' "$frames/timing.txt" 2>/dev/null)"
click_seconds="$(sed -n 's/^click_to_finished_seconds=//p' "$frames/timing.txt" 2>/dev/null)"
awk -v s="$seconds" -v d="${download_seconds:-0}" -v n="$size" 'BEGIN {
  printf "seconds=%.1f (the 30-second countdown included), download %.2f s, MiB/s=%.2f\n", s, d,
    (d > 0 ? n / 1048576 / d : 0) }'
echo "blocks repaired: $(grep -ac 'Download_RepairData : GetBestURL Info' "$log" || true)"
echo "mirror switches: $(grep -ac 'trying new URL\|Retrying failed item' "$log" || true)"
echo "elevation: $(grep -ao 'Elevation [a-z]*' "$machine/state/events.log" 2>/dev/null | cut -d' ' -f2 | tr '\n' ' ')"
echo "package: $(grep -aoE 'the package ended with [0-9]+' "$log" | tail -1)"
echo "statistics received: $(grep -ac '"install_status":"start"' "$build/stats.log" || true) start," \
  "final $(grep -ao '"install_status":"[a-zA-Z_]*"' <<<"$final" | cut -d'"' -f4)" \
  "$(grep -ao '"close_way":"[^"]*"' <<<"$final")"
echo "pages: $(cd "$frames" && ls page-*.png 2>/dev/null | tr '\n' ' ')in $frames ($(ls "$frames" | grep -c '^frame-') frames)"
if [ -n "$click_seconds" ] && [ -n "$download_seconds" ]; then
  awk -v e="$click_seconds" -v d="$download_seconds" \
    'BEGIN { printf "bench end_to_end_seconds=%.2f download_seconds=%.2f overhead_seconds=%.2f\n", e, d, e - d }'
fi
if [ -n "$recorder" ]; then
  echo "product started with: $(tr '\n' ' ' < "$recorder")"
  exit 0
fi
echo "the product was not started (setup exit code $code)"
exit 1
