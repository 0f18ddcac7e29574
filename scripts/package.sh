#!/usr/bin/env bash
# Builds the Debian package into build/packages/ (or $BUILD_DIR/packages): the
# two commands, the plug-in module, the help books, the manual pages, the demo
# project, the desktop entry and its icon (layout: packaging/CMakeLists.txt).
# Only what the package holds is built; extra arguments go to cmake's configure step.
#   apt-get install ./build/packages/velmora_*.deb    (or dpkg -i, dependencies present)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
bash scripts/build.sh --target velmora_programs --target velmora_man "$@"
rm -f "$BUILD_DIR"/packages/velmora_*.deb
(cd "$BUILD_DIR" && cpack -G DEB)
ls "$BUILD_DIR"/packages/velmora_*.deb
