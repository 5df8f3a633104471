#!/usr/bin/env bash
# Fetches the archiver's source from Debian's source package "7zip" into a
# cache folder outside the repository and prints the unpacked tree's path.
# The archive's integrity is checked along a chain: apt's signed Sources
# index gives the .dsc's SHA-256, and the .dsc gives the SHA-256 of every
# tarball; dpkg-source checks them again when it unpacks. Nothing else is
# downloaded. A tree that was fetched and checked before is reused.
#   ARCHIVER_CACHE=dir   cache folder (default ~/.cache/webinstaller/archiver)
#   ARCHIVER_PACKAGE=p   source package (default 7zip)
# The tree itself is never edited: the build compiles our console files
# beside it (formats/sevenzip/console/), so a newer Debian source drops in.
set -euo pipefail

package="${ARCHIVER_PACKAGE:-7zip}"
cache="${ARCHIVER_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/webinstaller/archiver}"
mkdir -p "$cache"
log() { echo "fetch-archiver: $*" >&2; }

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# One fetch at a time per cache (several build folders may configure at once).
exec 9>"$cache/.lock"
flock 9

# A deb-src entry derived from the machine's own Debian sources: the same
# mirrors, suites, components and keyring, for source packages.
ensure_deb_src() {
  if apt-cache showsrc "$package" 2>/dev/null | grep -c "^Package:" >/dev/null; then
    return
  fi
  local target=/etc/apt/sources.list.d/webinstaller-deb-src.sources
  local sources=()
  [ -f /etc/apt/sources.list.d/debian.sources ] && sources+=(/etc/apt/sources.list.d/debian.sources)
  if [ ${#sources[@]} -gt 0 ]; then
    log "adding deb-src entries derived from ${sources[*]}"
    sed -E 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb-src/' "${sources[@]}" | $sudo tee "$target" >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    log "adding deb-src lines derived from /etc/apt/sources.list"
    grep -E '^deb[[:space:]]' /etc/apt/sources.list | sed -E 's/^deb([[:space:]])/deb-src\1/' |
      $sudo tee /etc/apt/sources.list.d/webinstaller-deb-src.list >/dev/null
  else
    log "no Debian sources found to derive a deb-src entry from"
    exit 1
  fi
  $sudo apt-get update -qq
}

ensure_deb_src
# The newest source version apt knows (the security suite's when it has one).
version="$(apt-cache showsrc "$package" | awk '/^Version:/ {print $2}' | sort -V | tail -n 1)"
[ -n "$version" ] || { log "apt knows no source package $package"; exit 1; }
upstream="${version#*:}"
upstream="${upstream%-*}"
tree="$cache/$package-$version"
if [ -f "$tree/.verified" ]; then
  echo "$tree"
  exit 0
fi

work="$(mktemp -d "$cache/fetch.XXXXXX")"
trap 'rm -rf "$work"' EXIT
log "fetching $package $version"
(cd "$work" && apt-get source --download-only -qq "$package=$version" >/dev/null 2>"$work/apt.log") || {
  cat "$work/apt.log" >&2
  exit 1
}

dsc="$(ls "$work"/*.dsc)"
# The .dsc's digest as apt's signed index records it.
expected="$(apt-cache showsrc "$package" |
  awk -v name="$(basename "$dsc")" '/^Checksums-Sha256:/ {in_list=1; next} /^[^ ]/ {in_list=0} in_list && $3 == name {print $1; exit}')"
actual="$(sha256sum "$dsc" | cut -d' ' -f1)"
if [ -z "$expected" ] || [ "$expected" != "$actual" ]; then
  log "the .dsc's SHA-256 ($actual) is not the one apt's index gives (${expected:-none})"
  exit 1
fi
# Every file that the .dsc lists, by its SHA-256.
awk '/^Checksums-Sha256:/ {in_list=1; next} /^[^ ]/ {in_list=0} in_list && NF == 3 {print $1 "  " $3}' "$dsc" >"$work/sums"
[ -s "$work/sums" ] || { log "the .dsc lists no checksums"; exit 1; }
(cd "$work" && sha256sum --quiet -c sums) || { log "a tarball's SHA-256 differs from the .dsc"; exit 1; }

dpkg-source -x "$dsc" "$work/tree" >"$work/unpack.log" 2>&1 || { cat "$work/unpack.log" >&2; exit 1; }
echo "$version" >"$work/tree/.verified"
rm -rf "$tree"
mv "$work/tree" "$tree"
log "unpacked $package $upstream into $tree"
echo "$tree"
