#!/bin/sh
# Runs a 64-bit Windows program under wine with a prefix of the build's own.
: "${WINEPREFIX:=${TMPDIR:-/tmp}/vexa-wine-$(id -u)}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=${VEXA_WINE:-/usr/lib/wine/wine64}
exec "$WINE" "$@"
