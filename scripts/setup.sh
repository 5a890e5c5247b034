#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's packages.
# Safe to run again: it does nothing when every package is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb xauth x11-utils imagemagick
  default-jdk-headless junit5
  maven maven-debian-helper libmaven-plugin-tools-java libmaven-compiler-plugin-java
  libmaven-resources-plugin-java libmaven-jar-plugin-java libsurefire-java
  libmaven-install-plugin-java libmaven-source-plugin-java libmaven-javadoc-plugin-java
  gradle
  googletest libtomlplusplus-dev zlib1g-dev libz-mingw-w64-dev osslsigncode openssl
  python3-jsonschema bc time
  clojure
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror in mid-sync can fail one index ("File has unexpected size"); try
# again, then go on with the lists that did arrive: the install below fails
# clearly if a package is really missing.
for attempt in 1 2 3; do
  $sudo apt-get update -q && break
  echo "setup: apt-get update failed (attempt $attempt)" >&2
  [ "$attempt" -eq 3 ] || sleep 10
done
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
