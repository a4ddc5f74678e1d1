# Installs, from Debian's packages, what building and testing Velmora needs.
# Sourced by ./run and ./test.

# The packages for a Debian (or derived) release, by its code name: GIMP's
# development files are those of 2.10 up to Debian 12, of 3 from Debian 13 on.
# dpkg-dev and file: what CPack's DEB generator runs (dpkg-shlibdeps, file).
velmora_paquets() {
    local gimp=libgimp-3.0-dev
    case "$1" in
        buster | bullseye | bookworm | focal | jammy | noble) gimp=libgimp2.0-dev ;;
    esac
    echo "cmake ninja-build g++ pkg-config qt6-base-dev qt6-image-formats-plugins \
libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth fonts-dejavu-core libexiv2-dev ccache \
qt6-translations-l10n fonts-dejavu-extra \
gimp $gimp xdotool x11-utils dpkg-dev file"
}
VELMORA_PAQUETS="$(velmora_paquets "$(. /etc/os-release && echo "${VERSION_CODENAME:-}")")"

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

# The Windows builds (./test): the MinGW-w64 cross compilers for 32-bit and
# 64-bit Windows, and the 64-bit Wine that runs the 64-bit test hosts.
velmora_deps_windows() {
    VELMORA_PAQUETS="g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64" velmora_deps
}

# Whether this machine runs 32-bit x86 programs: some kernels are built
# without them ("32-bit emulation disabled"), and 32-bit Wine cannot start
# there. Found out by running a 96-byte 32-bit program that exits with code 42
# (a bare ELF file: no 32-bit library or compiler needed to make it).
velmora_32bits_possible() {
    local f
    f="$(mktemp -p "${1:-.}" sonde32.XXXXXX)" || return 1
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$f"
    # header: executable, i386, entry 0x08048054, one program header at 52
    printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$f"
    printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$f"
    # one loadable segment: the whole file at 0x08048000, read and execute
    printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$f"
    printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000' >>"$f"
    # mov eax, 1 (exit); mov ebx, 42; int 0x80
    printf '\270\001\000\000\000\273\052\000\000\000\315\200' >>"$f"
    chmod +x "$f"
    local code=0
    "$f" 2>/dev/null || code=$?
    rm -f "$f"
    [ "$code" -eq 42 ]
}

# 32-bit Wine, for the 32-bit test hosts, where the machine runs 32-bit
# programs; its packages come from Debian's i386 architecture, added first
# when missing.
velmora_deps_wine32() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "Ajout de l'architecture i386 (pour wine32)"
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo dpkg --add-architecture i386
        $sudo apt-get update -qq
    fi
    VELMORA_PAQUETS="wine wine32:i386" velmora_deps
}
