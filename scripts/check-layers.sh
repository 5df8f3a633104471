#!/usr/bin/env bash
# Checks the include rules of the source folders:
#   - a folder includes only its own headers and those of the folders below it
#     (platform <- util <- formats <- net <- download, stats; formats <- ui <- setup);
#   - a platform area's detail/ headers are included only inside that area;
#   - no system header of the host (POSIX, Linux, X11) outside platform/.
# Prints every offending line and exits 1 when there is one.
set -uo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [platform]="platform"
  [util]="platform util"
  [formats]="platform util formats"
  [net]="platform util formats net"
  [download]="platform util formats net download"
  [stats]="platform util formats net stats"
  [ui]="platform util formats ui"
  [setup]="platform util formats net download stats ui setup resources"
  [resources]="platform resources"
)
# Known exceptions, one "file:included header" each (none today).
exceptions=()
is_exception() {
  local entry
  for entry in "${exceptions[@]}"; do [ "$entry" = "$1" ] && return 0; done
  return 1
}
host_headers='<(unistd|fcntl|dirent|dlfcn|poll|pthread|spawn|signal|iconv|pwd|termios|sys/[a-z_]+|X11/[A-Za-z_]+|linux/[a-z_]+)\.h>'

failed=0
for folder in "${!allowed[@]}"; do
  [ -d "$folder" ] || continue
  while IFS= read -r line; do
    file="${line%%:*}"
    included="$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$line")"
    top="${included%%/*}"
    [ "$top" = "$included" ] && continue  # a header beside the file
    [ -n "${allowed[$top]+known}" ] || continue  # not one of ours (the archiver's sources)
    is_exception "$file:$included" && continue
    ok=0
    for permitted in ${allowed[$folder]}; do
      [ "$top" = "$permitted" ] && ok=1
    done
    if [ $ok -eq 0 ]; then
      echo "layering: $line"
      failed=1
    fi
    if [[ "$included" == platform/*/detail/* ]]; then
      area="$(cut -d/ -f2 <<<"$included")"
      if [[ "$file" != platform/"$area"/* ]]; then
        echo "private header: $line"
        failed=1
      fi
    fi
  done < <(grep -rnE '^\s*#\s*include\s+"' --include='*.h' --include='*.cpp' "$folder")
  if [ "$folder" != platform ]; then
    while IFS= read -r line; do
      echo "host header outside platform/: $line"
      failed=1
    done < <(grep -rnE "^\s*#\s*include\s+$host_headers" --include='*.h' --include='*.cpp' "$folder")
  fi
done
if [ $failed -eq 0 ]; then echo "layering: ok"; fi
exit $failed
