#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need. Installs only what is missing,
# so a second run is quick.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libtinyxml-dev libstb-dev libcurl4-openssl-dev libpng-dev libjpeg62-turbo-dev
  libsndfile1-dev libsoxr-dev libsamplerate0-dev
  fonts-roboto-unhinted fonts-dejavu-core
  zam-plugins lsp-plugins-vst
  binutils xxd
  libx11-dev libxext-dev libxtst-dev xvfb x11-utils xdg-utils zenity libfontconfig-dev
  libcairo2-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
