#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need. Safe to run again.
set -euo pipefail
# Names only, no versions: the same list installs on Debian 12 and Debian 13.
packages=(
  cmake ninja-build g++ clang libclang-rt-dev googletest libgtest-dev git
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  wine wine64 fonts-wine xvfb xauth x11-utils
  openssl osslsigncode python3 python3-pefile python3-pytest util-linux iproute2
  clang-tidy cppcheck curl locales
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The end-to-end tests run the checker under the Cyrillic (1251) and Japanese (932) code pages,
# which Wine takes from these locales.
for locale in ru_RU ja_JP; do
  locale -a | grep -x "$locale.utf8" >/dev/null || localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
done
