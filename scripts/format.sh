#!/usr/bin/env bash
# Formats the C++ sources with the house style (.clang-format) in place.
#   scripts/format.sh              every tracked .cpp and .h file
#   scripts/format.sh FILE...      only these files
#   CHECK=1 scripts/format.sh ...  changes nothing; lists the files that would
#                                  change and exits 1 when there is one
# Needs clang-format-14 (Debian's package clang-format-14).
set -euo pipefail
cd "$(dirname "$0")/.."
tool="${CLANG_FORMAT:-clang-format-14}"
command -v "$tool" >/dev/null || { echo "format: $tool is not installed" >&2; exit 2; }
if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
fi
[ ${#files[@]} -gt 0 ] || exit 0
if [ -n "${CHECK:-}" ]; then
  changed=0
  for file in "${files[@]}"; do
    if ! "$tool" --style=file "$file" | cmp -s - "$file"; then
      echo "$file"
      changed=1
    fi
  done
  exit $changed
fi
printf '%s\0' "${files[@]}" | xargs -0 -n 50 "$tool" --style=file -i
