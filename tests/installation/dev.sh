#!/bin/sh
# The development files as another host's build takes them: the components
# velmora and dev installed into a staging folder (DESTDIR), the smallest host
# (tests/outils/HoteMinimal.cpp) compiled with nothing but what velmora.pc says
# there, then run on the plug-in velmora.pc names, whose inversion must change
# the pixels. Catches a header that needs one left uninstalled, a symbol the
# installed static library lacks, a wrong path in velmora.pc.
#   dev.sh CMAKE BUILD CXX SOURCE [FLAGS]
set -eu
cmake=$1 build=$2 cxx=$3 source=$4 options=${5:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for composant in velmora dev; do
    DESTDIR="$tmp/racine" "$cmake" --install "$build" --component "$composant" >/dev/null
done
pc=$(find "$tmp/racine" -name velmora.pc)
[ -n "$pc" ] || { echo "velmora.pc n'est pas installé"; exit 1; }
PKG_CONFIG_LIBDIR=$(dirname "$pc")
PKG_CONFIG_SYSROOT_DIR="$tmp/racine"
export PKG_CONFIG_LIBDIR PKG_CONFIG_SYSROOT_DIR
# shellcheck disable=SC2046,SC2086 # pkg-config's words, and the build's flags, one by one
"$cxx" -std=c++20 $options $(pkg-config --cflags velmora) -o "$tmp/hote" "$source" \
    $(pkg-config --libs velmora) -ldl
# The path as installed (some pkg-config put the staging folder before variables too).
module="$tmp/racine$(env -u PKG_CONFIG_SYSROOT_DIR pkg-config --variable=module velmora)"
[ -f "$module" ] || { echo "velmora.pc nomme $module, absent"; exit 1; }
sortie=$("$tmp/hote" "$module" 1)
echo "$sortie"
case $sortie in
*"pixels changés") ;;
*) echo "l'inversion n'a pas changé les pixels"; exit 1 ;;
esac
