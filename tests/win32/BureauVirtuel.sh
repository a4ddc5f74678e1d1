#!/bin/sh
# Runs a Windows program under Wine in a virtual desktop of its prefix: Wine
# draws the frames and captions itself, and hiding a window does not wait for
# a window manager that a bare X server (xvfb-run) does not have.
#   BureauVirtuel.sh WINE PROGRAM.exe ARGUMENTS...   (WINEPREFIX set by the caller;
#   WINE: the loader for the program's word size)
set -e
wine="$1"
shift
"$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Velmora /f >/dev/null
"$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Velmora /d 1024x768 /f >/dev/null
exec "$wine" "$@"
