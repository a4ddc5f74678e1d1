# Installs, from Debian's packages, what building and testing Velmora needs.
# Sourced by ./run and ./test.

VELMORA_PAQUETS="cmake ninja-build g++ pkg-config qt6-base-dev qt6-image-formats-plugins \
libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth fonts-dejavu-core libexiv2-dev"

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
