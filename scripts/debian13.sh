#!/usr/bin/env bash
# The normal build and its tests on Debian 13 (GCC 14, Qt 6.8, Exiv2 0.28,
# GIMP 3), run by ./test. On a Debian 13 machine ./test's own build is that
# one: nothing more to do. Elsewhere they run in a Debian 13 root made once
# per machine from Debian's packages (mmdebstrap) and kept outside the clone:
#   ${VELMORA_DEBIAN13:-${XDG_CACHE_HOME:-$HOME/.cache}/velmora/trixie}
# with its build folder and compiler cache inside, so that later runs are
# incremental. A root without its completion mark (a creation cut short, a
# folder half deleted) is made again. The mounts it needs live in a mount
# namespace of their own, gone with the run whatever ends it.
#   scripts/debian13.sh [JOBS]
#   scripts/debian13.sh -- COMMAND...   runs COMMAND in the root instead, the
#                                       clone in /velmora/src, the build in /velmora/build
set -euo pipefail
cd "$(dirname "$0")/.."
commande=()
if [ "${1:-}" = -- ]; then
    shift
    commande=("$@")
    set --
fi
jobs="${1:-$(nproc)}"

# Inside the root (called below through chroot): the normal build, every
# compiler warning an error, then its tests.
if [ "${VELMORA_DANS_RACINE:-}" = 1 ]; then
    export QT_QPA_PLATFORM=offscreen
    # The build folder outlives the clones bound at /velmora/src; ninja goes by
    # dates, and another clone's older files would leave this one's objects
    # stale. A clone other than the last one built starts from a clean folder
    # (the compiler cache makes that cheap).
    if [ -f /velmora/build/build.ninja ] &&
        [ "$(cat /velmora/build/velmora-source 2>/dev/null)" != "$VELMORA_SOURCE" ]; then
        cmake --build /velmora/build --target clean >/dev/null
    fi
    echo "$VELMORA_SOURCE" >/velmora/build/velmora-source
    cmake -S /velmora/src -B /velmora/build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
    cmake --build /velmora/build -j "$jobs"
    ctest --test-dir /velmora/build --output-on-failure -j "$jobs"
    exit 0
fi

if [ "$(. /etc/os-release && echo "${VERSION_CODENAME:-}")" = trixie ] && [ ${#commande[@]} -eq 0 ]; then
    echo "Debian 13 : cette machine l'est, la construction normale ci-dessus en tient lieu"
    exit 0
fi

source scripts/deps.sh
paquets="$(velmora_paquets trixie)"
racine="${VELMORA_DEBIAN13:-${XDG_CACHE_HOME:-$HOME/.cache}/velmora/trixie}"
marque="$racine/velmora/racine-complete" # holds the package list it was made with
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

non_lance() {
    echo "Debian 13 / GIMP 3 : tests non lancés — $1"
    exit 0
}

command -v mmdebstrap >/dev/null || VELMORA_PAQUETS="mmdebstrap" velmora_deps >/dev/null 2>&1 \
    || non_lance "mmdebstrap manque et n'a pu être installé"

mkdir -p "$(dirname "$racine")"
# One run at a time per root: two runs would build in the same folder.
exec 9>"$racine.verrou"
flock 9

journal="$racine.journal" # what the last creation or update said, kept for a look

# A root is removed without crossing into anything still mounted in it (the
# machine's /dev of a run cut short before the namespaces existed).
effacer() {
    local d m
    for d in "$@"; do
        [ -e "$d" ] || continue
        findmnt -rn -o TARGET | { grep -F "$d/" || true; } | sort -r | while read -r m; do
            $sudo umount -l "$m" || true
        done
        $sudo rm -rf --one-file-system "$d"
    done
}

creer() {
    echo "Création de la racine Debian 13 dans $racine (une fois par machine)"
    effacer "$racine" "$racine.partielle"
    # In a mount namespace of its own: what it mounts in the root goes with
    # it. dpkg's syncs cost minutes; a root cut short is made again anyway.
    if ! $sudo unshare --mount --propagation private \
        mmdebstrap --variant=apt --include="$(echo $paquets | tr ' ' ,)" \
        --aptopt='APT::Install-Recommends "false"' --dpkgopt=force-unsafe-io \
        trixie "$racine.partielle" >"$journal" 2>&1; then
        effacer "$racine.partielle"
        non_lance "la racine n'a pu être faite ($(grep -E '^E:' "$journal" | head -1 | cut -c1-200) ; voir $journal)"
    fi
    $sudo mkdir -p "$racine.partielle/velmora/src" "$racine.partielle/velmora/build" \
        "$racine.partielle/velmora/ccache"
    echo "$paquets" | $sudo tee "$racine.partielle/velmora/racine-complete" >/dev/null
    $sudo mv "$racine.partielle" "$racine"
}

debut=$SECONDS
if [ ! -f "$marque" ]; then
    creer
elif [ "$(cat "$marque")" != "$paquets" ]; then
    # The list grew since the root was made: the missing packages only.
    echo "Racine Debian 13 : mise à jour des paquets"
    $sudo cp /etc/resolv.conf "$racine/etc/resolv.conf" 2>/dev/null || true
    if $sudo chroot "$racine" sh -c "apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends $paquets" >"$journal" 2>&1; then
        echo "$paquets" | $sudo tee "$marque" >/dev/null
    else
        creer
    fi
fi
[ $((SECONDS - debut)) -gt 0 ] && echo "Racine Debian 13 prête en $((SECONDS - debut)) s"

# The clone at a fixed place in the root (the build folder and the compiler
# cache stay valid from one clone to the next), read-only: the build writes
# only into its own folder.
[ ${#commande[@]} -eq 0 ] && commande=(bash /velmora/src/scripts/debian13.sh "$jobs")
$sudo unshare --mount --propagation private -- bash -euc '
    racine=$1 source=$2
    shift 2
    mount --rbind /dev "$racine/dev"
    mount -t proc proc "$racine/proc"
    mount --rbind /sys "$racine/sys"
    mount -t tmpfs tmpfs "$racine/tmp"
    mount --bind "$source" "$racine/velmora/src"
    mount -o remount,bind,ro "$racine/velmora/src"
    exec chroot "$racine" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        LANG=C.UTF-8 VELMORA_DANS_RACINE=1 VELMORA_SOURCE="$source" \
        CCACHE_DIR=/velmora/ccache CCACHE_BASEDIR=/velmora CCACHE_NOHASHDIR=1 "$@"
' debian13 "$racine" "$(pwd)" "${commande[@]}"
