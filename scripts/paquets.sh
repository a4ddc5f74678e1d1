#!/usr/bin/env bash
# The Debian packages of this machine's Debian release, from a build of their
# own for the /usr prefix (the programs look for the plug-in where the
# packages put it), without tests or benchmarks:
#   scripts/paquets.sh [BUILD]   BUILD defaults to build-paquets/; the packages
#                                land in BUILD/paquets/: velmora, velmora-gimp
#                                (when GIMP's development files are there), velmora-dev
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
velmora_deps
build="${1:-build-paquets}"
jobs="${VELMORA_JOBS:-$(nproc)}"

# A build folder kept between clones bound at one place (the Debian 13 root)
# starts clean when the clone changes: ninja goes by dates.
source_actuelle="${VELMORA_SOURCE:-$(pwd)}"
if [ -f "$build/build.ninja" ] && [ "$(cat "$build/velmora-source" 2>/dev/null)" != "$source_actuelle" ]; then
    cmake --build "$build" --target clean >/dev/null
fi
mkdir -p "$build"
echo "$source_actuelle" >"$build/velmora-source"

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs"
rm -rf "$build/paquets"
(cd "$build" && cpack -G DEB >cpack.journal 2>&1) || { cat "$build/cpack.journal"; exit 1; }
ls -1 "$build"/paquets/*.deb
