#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need; with
# --web also those of the web page and its browser tests.
# Quick and idempotent: it asks apt only when something is missing.
set -euo pipefail

packages=(
  g++ clang libclang-rt-14-dev cmake make pkg-config
  libsdl2-dev libgtest-dev libpng-dev libgif-dev libx11-dev libbenchmark-dev libcli11-dev libtomlplusplus-dev
  xvfb xauth xdotool valgrind
)
if [ "${1:-}" = "--web" ]; then
  packages+=(emscripten nodejs node-acorn chromium chromium-driver python3-selenium python3-jsonschema python3-cffi python3-numpy)
fi

# The page's editor is bundled from npm packages: Debian's npm, unless the
# machine's own Node.js already brings one.
if [ "${1:-}" = "--web" ] && ! command -v npm > /dev/null; then
  packages+=(npm)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
