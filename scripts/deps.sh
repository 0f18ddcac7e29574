#!/usr/bin/env bash
# Installs the Debian packages the build needs (only what is missing); with
# arguments, those packages instead (the cross build names its own).
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libcli11-dev qt6-base-dev qt6-svg-dev qt6-translations-l10n libgl-dev fonts-dejavu-core
          fonts-liberation poppler-utils ccache help2man)
if (($#)); then packages=("$@"); fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
