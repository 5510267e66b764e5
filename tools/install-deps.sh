#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages, and only
# what is missing. Safe to run again: a complete machine installs nothing.
set -euo pipefail

say() { echo "install-deps: $*"; }
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

want=(
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  wine wine32:i386 wine64
  xvfb x11-utils imagemagick fonts-wqy-zenhei libxml2-utils locales
  cmake ninja-build make g++ clang
  libtinyxml-dev libstb-dev libgtest-dev googletest libzstd-dev
  libclang-rt-14-dev dpkg-dev
  osslsigncode openssl
  msitools wixl
)

is_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture (needed by wine32)"
  $SUDO dpkg --add-architecture i386
  need_update=1
fi

# TinyXML for mingw is built from Debian's source package, so apt needs a
# deb-src entry. Derive one from the machine's own Debian sources.
src_list=/etc/apt/sources.list.d/cxsetup-deb-src.list
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  lines=""
  if [ -f /etc/apt/sources.list ]; then
    lines+=$(sed -nE 's/^deb (\[[^]]*\] )?(.*)$/deb-src \1\2/p' /etc/apt/sources.list)$'\n'
  fi
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    lines+=$(awk '
      function flush() { if (types ~ /(^| )deb( |$)/ && uris != "" && uris ~ /debian/) {
          n = split(suites, s, " ");
          for (i = 1; i <= n; i++) printf "deb-src %s%s %s %s\n", signed, uris, s[i], comps }
        types = uris = suites = comps = signed = "" }
      /^[[:space:]]*$/ { flush(); next }
      /^Types:/ { sub(/^Types:[[:space:]]*/, ""); types = $0 }
      /^URIs:/ { sub(/^URIs:[[:space:]]*/, ""); uris = $0 }
      /^Suites:/ { sub(/^Suites:[[:space:]]*/, ""); suites = $0 }
      /^Components:/ { sub(/^Components:[[:space:]]*/, ""); comps = $0 }
      /^Signed-By:/ { sub(/^Signed-By:[[:space:]]*/, ""); signed = "[signed-by=" $0 "] " }
      END { flush() }' "$f")$'\n'
  done
  lines=$(echo "$lines" | sed '/^$/d' | sort -u)
  if [ -n "$lines" ]; then
    say "adding deb-src entries derived from the apt sources: $src_list"
    echo "$lines" | $SUDO tee "$src_list" >/dev/null
    need_update=1
  else
    say "warning: found no Debian apt source to derive a deb-src entry from"
  fi
fi

missing=()
for p in "${want[@]}"; do is_installed "$p" || missing+=("$p"); done

stamp=/var/lib/apt/periodic/cxsetup-updated
if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  if [ -n "${need_update:-}" ] || [ ! -f "$stamp" ] || [ ${#missing[@]} -gt 0 ]; then
    say "apt-get update"
    $SUDO apt-get update -qq
    $SUDO mkdir -p "$(dirname "$stamp")" && $SUDO touch "$stamp"
  fi
fi
if [ ${#missing[@]} -gt 0 ]; then
  say "installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# TinyXML source for the mingw build, unpacked once under build/deps/
# (never committed).
here=$(cd "$(dirname "$0")/.." && pwd)
srcdir="$here/build/deps/tinyxml"
if [ ! -f "$srcdir/tinyxml.cpp" ]; then
  say "fetching Debian's tinyxml source package into $srcdir"
  tmp=$(mktemp -d)
  (cd "$tmp" && apt-get source -qq tinyxml >/dev/null 2>&1) || {
    $SUDO apt-get update -qq; (cd "$tmp" && apt-get source -qq tinyxml >/dev/null); }
  d=$(find "$tmp" -maxdepth 1 -type d -name 'tinyxml-*' | head -n1)
  [ -n "$d" ] && [ -f "$d/tinyxml.cpp" ] || { echo "install-deps: tinyxml source not found" >&2; exit 1; }
  mkdir -p "$(dirname "$srcdir")"
  rm -rf "$srcdir"; cp -r "$d" "$srcdir"
  rm -rf "$tmp"
fi
# Zstandard's source for the mingw build (the setup program links its
# decompressor; cxpack.exe its compressor too), unpacked once under
# build/deps/. The version the host's libzstd-dev comes from is asked first;
# a security update's source may not be on every mirror yet, so older
# versions of the package follow.
zsrc="$here/build/deps/zstd"
if [ ! -f "$zsrc/lib/zstd.h" ]; then
  say "fetching Debian's libzstd source package into $zsrc"
  tmp=$(mktemp -d)
  versions=$(dpkg-query -W -f='${Version}' libzstd-dev 2>/dev/null || true)
  versions+=" "$(apt-cache showsrc libzstd 2>/dev/null | sed -n 's/^Version: //p' | sort -urV | tr '\n' ' ')
  for v in $versions; do
    (cd "$tmp" && apt-get source -qq "libzstd=$v" >/dev/null 2>&1) && break
    rm -rf "${tmp:?}"/*
  done
  d=$(find "$tmp" -maxdepth 1 -type d -name 'libzstd-*' | head -n1)
  [ -n "$d" ] && [ -f "$d/lib/zstd.h" ] || { echo "install-deps: libzstd source not found" >&2; exit 1; }
  mkdir -p "$(dirname "$zsrc")"
  rm -rf "$zsrc"; mkdir -p "$zsrc"; cp -r "$d/lib" "$d/LICENSE" "$zsrc/"
  rm -rf "$tmp"
fi
say "all dependencies present"
