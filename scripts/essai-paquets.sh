#!/usr/bin/env bash
# The Debian packages as a user gets them, run by ./test: built
# (scripts/paquets.sh; Debian 13's in the Debian 13 root of scripts/debian13.sh),
# checked by lintian, then installed with apt into a clean root of their Debian
# release, used there by an ordinary user, removed and purged:
#   - velmora-host --info, and --apply 6 on the packaged sample photograph;
#   - GIMP without a display, the user having no plug-in folder of their own,
#     runs plug-in-velmora-inversion and gives the pixels velmora-host gives;
#   - apt remove / apt purge leave no file of the packages behind.
# A clean root holds only what mmdebstrap's apt variant puts there (the
# essential packages and apt). It is made once per machine and kept in
#   ${XDG_CACHE_HOME:-$HOME/.cache}/velmora/propre-<release>
# and every run works on a copy of it, so that nothing of a run stays for the
# next. Downloaded packages and package lists are kept beside it (apt-<release>)
# so that later runs fetch little. Without a package server one line says what
# did not run.
#   scripts/essai-paquets.sh [JOBS]
set -euo pipefail

# Inside a copy of a clean root, as root (called below through chroot): the
# packages in /velmora-paquets, the user "essai" made here.
if [ "${VELMORA_ESSAI_DANS_RACINE:-}" = 1 ]; then
    export DEBIAN_FRONTEND=noninteractive
    echoue() {
        echo "ÉCHEC : $*" >&2
        exit 1
    }
    # 3: no package server (told apart from a failure by the caller). apt-get
    # update ends with 0 even when it fetched nothing: its messages tell. The
    # lists and packages of an earlier run may still be enough to go on.
    hors_ligne=0
    if ! apt-get update -q >/tmp/apt-update.journal 2>&1 ||
        grep -qE '^(Err:|E:|W: Failed to fetch)' /tmp/apt-update.journal; then
        hors_ligne=1
        compgen -G '/var/lib/apt/lists/*_Packages*' >/dev/null || exit 3
    fi
    paquets=(/velmora-paquets/*.deb)
    noms=()
    for p in "${paquets[@]}"; do noms+=("$(dpkg-deb -f "$p" Package)"); done
    # Recommends left out: what the packages depend on must be enough.
    # The apt command deletes what it downloaded unless told to keep it (for the next run).
    if ! apt install -y -q --no-install-recommends -o APT::Keep-Downloaded-Packages=true \
        "${paquets[@]}" >/tmp/apt-install.journal 2>&1; then
        [ $hors_ligne = 1 ] && exit 3
        tail -30 /tmp/apt-install.journal >&2
        echoue "apt n'a pu installer ${noms[*]}"
    fi
    # Every file and folder of the packages, for the check after removal.
    dpkg -L "${noms[@]}" | sort -u >/tmp/fichiers-paquets

    echo 'essai:x:1000:1000:Essai:/home/essai:/bin/sh' >>/etc/passwd
    echo 'essai:x:1000:' >>/etc/group
    mkdir -m 755 /home/essai
    chown 1000:1000 /home/essai
    # An ordinary user's session: nothing of the caller's environment.
    comme_essai() {
        chroot --userspec=1000:1000 --groups=1000 --skip-chdir / env -i HOME=/home/essai USER=essai \
            LOGNAME=essai PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 "$@"
    }
    cd /home/essai
    photo=/usr/share/velmora/samples/coffee.png

    comme_essai velmora-host --info >info.txt 2>&1 || { cat info.txt; echoue "velmora-host --info"; }
    grep -q "Inversion" info.txt && grep -q "MonoChrome" info.txt \
        || { cat info.txt; echoue "velmora-host --info ne donne pas le menu"; }
    comme_essai velmora-host --apply 6 "$photo" resultat-6.jpg >hote.journal 2>&1 \
        || { cat hote.journal; echoue "velmora-host --apply 6"; }
    [ -s resultat-6.jpg ] || echoue "velmora-host --apply 6 n'a rien écrit"
    # Binary PPM: the pixels bare, to compare with GIMP's below.
    comme_essai velmora-host --apply 1 "$photo" hote-1.ppm >hote.journal 2>&1 \
        || { cat hote.journal; echoue "velmora-host --apply 1"; }

    [ -e /home/essai/.config/GIMP ] && echoue "l'utilisateur a déjà un dossier GIMP"
    if command -v gimp-console-3.0 >/dev/null; then
        # GIMP 3 starts Script-Fu only with a display: the caller's Xvfb.
        [ -n "${VELMORA_AFFICHAGE:-}" ] || echoue "pas d'affichage pour GIMP 3"
        comme_essai DISPLAY="$VELMORA_AFFICHAGE" timeout 300 gimp-console-3.0 -i --quit \
            --batch-interpreter=plug-in-script-fu-eval -b "
            (let* ((img (car (gimp-file-load RUN-NONINTERACTIVE \"$photo\")))
                   (d (vector-ref (car (gimp-image-get-selected-drawables img)) 0)))
              (plug-in-velmora-inversion #:run-mode RUN-NONINTERACTIVE #:image img
                                         #:drawables (vector d))
              (file-ppm-export #:run-mode RUN-NONINTERACTIVE #:image img
                               #:file \"/home/essai/gimp-1.ppm\"))" >gimp.journal 2>&1 || true
    elif command -v gimp-console-2.10 >/dev/null; then
        comme_essai timeout 300 gimp-console-2.10 -i -b "
            (let* ((img (car (gimp-file-load RUN-NONINTERACTIVE \"$photo\" \"$photo\")))
                   (d (car (gimp-image-get-active-drawable img))))
              (plug-in-velmora-inversion RUN-NONINTERACTIVE img d)
              (file-ppm-save RUN-NONINTERACTIVE img d \"/home/essai/gimp-1.ppm\"
                             \"/home/essai/gimp-1.ppm\" 1))" -b '(gimp-quit 0)' >gimp.journal 2>&1 || true
    else
        echoue "aucune GIMP installée avec velmora-gimp"
    fi
    # GIMP may end with 0 after a failed script: its output is the proof.
    [ -s gimp-1.ppm ] || { cat gimp.journal; echoue "GIMP n'a pas appliqué plug-in-velmora-inversion"; }
    # Same size of header or not, the last 600 × 400 × 3 bytes are the pixels.
    octets=$((600 * 400 * 3))
    cmp -s <(tail -c "$octets" gimp-1.ppm) <(tail -c "$octets" hote-1.ppm) \
        || echoue "l'inversion dans GIMP ne donne pas les pixels de velmora-host"
    # GIMP found the bridge where the package put it, not in a folder of the user.
    if find /home/essai/.config -iname '*velmora*' | grep -q .; then
        echoue "un greffon Velmora se trouve dans le dossier de l'utilisateur"
    fi

    # The bridge alone first, then the rest with its configuration.
    reste=()
    for n in "${noms[@]}"; do [ "$n" = velmora-gimp ] || reste+=("$n"); done
    if [[ " ${noms[*]} " == *" velmora-gimp "* ]]; then
        apt remove -y -q velmora-gimp >/tmp/apt-remove.journal 2>&1 \
            || { cat /tmp/apt-remove.journal; echoue "apt remove velmora-gimp"; }
    fi
    apt purge -y -q "${reste[@]}" >/tmp/apt-purge.journal 2>&1 \
        || { cat /tmp/apt-purge.journal; echoue "apt purge ${reste[*]}"; }
    apt purge -y -q velmora-gimp >/tmp/apt-purge.journal 2>&1 || true
    if dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${noms[@]}" 2>/dev/null | grep -v '^un '; then
        echoue "des paquets restent connus de dpkg"
    fi
    restes=()
    while read -r f; do
        # Shared folders (/usr/bin…) stay; a file, link or folder of Velmora's own does not.
        if [ -e "$f" ] || [ -L "$f" ]; then
            if [ ! -d "$f" ] || [[ "$f" == *velmora* ]]; then restes+=("$f"); fi
        fi
    done </tmp/fichiers-paquets
    while read -r f; do restes+=("$f"); done < <(find / -xdev \( -path /home -o -path '/velmora-*' \
        -o -path /var/cache/apt -o -path /var/lib/apt/lists -o -path /proc -o -path /tmp \) -prune \
        -o -iname '*velmora*' -print)
    # A desktop or icon cache still naming the host would offer a program that is gone.
    while read -r f; do restes+=("$f (le nomme)"); done < <(grep -rl velmora /usr/share/applications \
        /usr/share/icons 2>/dev/null || true)
    if [ ${#restes[@]} -gt 0 ]; then
        printf '  %s\n' "${restes[@]}"
        echoue "apt remove et apt purge laissent ces fichiers"
    fi
    exit 0
fi

cd "$(dirname "$0")/.."
source scripts/deps.sh
jobs="${1:-$(nproc)}"
cache="${XDG_CACHE_HOME:-$HOME/.cache}/velmora"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
ici="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"

non_lance() {
    echo "Paquets Debian $1 : essai non lancé — $2"
}
declare -A numero=([bookworm]=12 [trixie]=13)
if [ -z "${numero[$ici]:-}" ]; then
    non_lance "12 et 13" "cette machine n'est ni en Debian 12 ni en Debian 13"
    exit 0
fi
if ! VELMORA_PAQUETS="mmdebstrap lintian" velmora_deps >/dev/null 2>&1; then
    non_lance "12 et 13" "mmdebstrap ou lintian manque et n'a pu être installé"
    exit 0
fi

# The packages of each release: this machine's from its own build, Debian 13's
# in the Debian 13 root when this machine is a Debian 12.
declare -A dossier
journal="$(mktemp)"
trap 'rm -f "$journal"' EXIT
construire() {
    "$@" >"$journal" 2>&1 || { tail -50 "$journal"; echo "Paquets Debian : la construction a échoué"; exit 1; }
}
construire env VELMORA_JOBS="$jobs" scripts/paquets.sh build-paquets
dossier[$ici]="$(pwd)/build-paquets/paquets"
if [ "$ici" = bookworm ]; then
    racine13="${VELMORA_DEBIAN13:-$cache/trixie}"
    $sudo rm -rf "$racine13/velmora/paquets/paquets"
    construire scripts/debian13.sh -- env VELMORA_JOBS="$jobs" bash /velmora/src/scripts/paquets.sh \
        /velmora/paquets
    if compgen -G "$racine13/velmora/paquets/paquets/*.deb" >/dev/null; then
        dossier[trixie]="$racine13/velmora/paquets/paquets"
    else
        non_lance 13 "la racine Debian 13 n'a pu être faite pour les construire ($(sed -n 's/.*non lancés — //p' "$journal" | head -1))"
    fi
else
    non_lance 12 "ils se construisent sur une Debian 12, et cette machine est en Debian 13"
fi

# lintian: every error fails; the warnings are printed.
for r in "${!dossier[@]}"; do
    code=0
    sortie="$(lintian --fail-on error "${dossier[$r]}"/*.deb 2>&1)" || code=$?
    sortie="$(echo "$sortie" | grep -v 'running with root privileges' || true)"
    echo "lintian, paquets de Debian ${numero[$r]} : ${sortie:-rien à redire}"
    [ $code -eq 0 ] || { echo "lintian : erreurs"; exit 1; }
done

# A folder is removed without crossing into anything still mounted in it.
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

# The clean root of a release, made once; 1 when it cannot be made.
racine_propre() {
    local r=$1 d="$cache/propre-$1"
    [ -f "$d/velmora-propre" ] && return 0
    echo "Création de la racine Debian ${numero[$r]} propre dans $d (une fois par machine)"
    effacer "$d" "$d.partielle"
    if ! $sudo unshare --mount --propagation private mmdebstrap --variant=apt \
        --aptopt='APT::Install-Recommends "false"' --dpkgopt=force-unsafe-io \
        "$r" "$d.partielle" >"$d.journal" 2>&1; then
        effacer "$d.partielle"
        return 1
    fi
    $sudo touch "$d.partielle/velmora-propre"
    $sudo mv "$d.partielle" "$d"
}

xvfb_pid=""
trap 'rm -f "$journal"; [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; true' EXIT
mkdir -p "$cache"
for r in bookworm trixie; do
    [ -n "${dossier[$r]:-}" ] || continue
    debut=$SECONDS
    exec 8>"$cache/propre-$r.verrou"
    flock 8
    if ! racine_propre "$r"; then
        non_lance "${numero[$r]}" "la racine propre n'a pu être faite ($(grep -E '^E:' "$cache/propre-$r.journal" | head -1 | cut -c1-200))"
        continue
    fi
    essai="$cache/essai-$r"
    effacer "$essai"
    $sudo cp -a "$cache/propre-$r" "$essai"
    $sudo mkdir -p "$essai/velmora-paquets" "$cache/apt-$r/archives/partial" "$cache/apt-$r/lists/partial"
    $sudo cp "${dossier[$r]}"/*.deb "$essai/velmora-paquets/"
    $sudo chmod 755 "$essai/velmora-paquets"
    $sudo chmod 644 "$essai/velmora-paquets"/*.deb
    $sudo cp "$0" "$essai/velmora-essai.sh"
    $sudo cp /etc/resolv.conf "$essai/etc/resolv.conf" 2>/dev/null || true
    affichage=""
    if [ "$r" = trixie ]; then
        # Reached from the root through its abstract socket (same network namespace).
        exec 7< <(Xvfb -displayfd 1 -nolisten tcp -ac -screen 0 1280x1024x24 2>/dev/null)
        xvfb_pid=$!
        read -r -t 30 numero_affichage <&7 || true
        affichage=":${numero_affichage:-}"
    fi
    code=0
    $sudo unshare --mount --propagation private -- bash -euc '
        racine=$1 apt=$2 affichage=$3
        mount --rbind /dev "$racine/dev"
        mount -t proc proc "$racine/proc"
        mount --rbind /sys "$racine/sys"
        mount -t tmpfs tmpfs "$racine/tmp"
        mount --bind "$apt/archives" "$racine/var/cache/apt/archives"
        mount --bind "$apt/lists" "$racine/var/lib/apt/lists"
        exec chroot "$racine" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
            LANG=C.UTF-8 VELMORA_ESSAI_DANS_RACINE=1 VELMORA_AFFICHAGE="$affichage" \
            bash /velmora-essai.sh
    ' essai "$essai" "$cache/apt-$r" "$affichage" || code=$?
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    fi
    exec 8>&-
    case $code in
    0)
        effacer "$essai"
        echo "Paquets Debian ${numero[$r]} : installés, utilisés et enlevés sans reste ($((SECONDS - debut)) s)"
        ;;
    3)
        effacer "$essai"
        non_lance "${numero[$r]}" "pas de serveur de paquets, et ce que les essais précédents en ont gardé ne suffit pas"
        ;;
    *)
        echo "Paquets Debian ${numero[$r]} : ÉCHEC (racine gardée pour voir : $essai)"
        exit 1
        ;;
    esac
done
