# Installs, from Debian's packages, what building and testing Velmora needs.
# Sourced by ./run and ./test.

VELMORA_PAQUETS="cmake ninja-build g++ pkg-config qt6-base-dev qt6-image-formats-plugins \
libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth fonts-dejavu-core libexiv2-dev ccache \
qt6-translations-l10n fonts-dejavu-extra \
gimp libgimp2.0-dev xdotool x11-utils"

velmora_deps() {
    local manquants=() p
    for p in $VELMORA_PAQUETS; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
            || manquants+=("$p")
    done
    [ ${#manquants[@]} -eq 0 ] && return 0
    echo "Installation des paquets manquants : ${manquants[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${manquants[@]}"
}

# The Windows build (./test): the MinGW-w64 cross compiler for 32-bit Windows
# and Wine to run its test host; Wine's 32-bit half comes from Debian's i386
# architecture, added first when missing.
velmora_deps_windows() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "Ajout de l'architecture i386 (pour wine32)"
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo dpkg --add-architecture i386
    fi
    VELMORA_PAQUETS="g++-mingw-w64-i686 wine wine32" velmora_deps
}
