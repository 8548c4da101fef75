#!/bin/bash
# A short session with the vexa tool against the virtual reader and its
# default field: scan, a MIFARE Classic block read, written and read back,
# the ISO/IEC 15693 tags and one tag's system information, a Type B APDU.
#
#   scripts/demo.sh [BUILD_DIR]      (default: build/native)
#
# BUILD_DIR holds vexa (or vexa.exe), the library and the virtual reader.
# VEXA_RUNNER, if set, is the program that runs vexa (the wine wrapper for
# a Windows build). Every step must succeed; the first that fails ends the
# session with its exit status.
set -euo pipefail

build=$(cd "${1:-build/native}" && pwd)
vexa=$build/vexa
[[ -f $vexa.exe ]] && vexa=$vexa.exe
runner=()
[[ -n ${VEXA_RUNNER:-} ]] && runner=("$VEXA_RUNNER")

# The field lives in a file of its own for this session, so that what one
# step writes the next one reads back.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VEXA_SIM_FIELD=$work/field.json VEXA_SIM_PERSIST=1

vexa() { "${runner[@]}" "$vexa" "$@" | tr -d '\r'; }
bold='' plain=''
if [[ -t 1 ]]; then bold=$'\033[1m' plain=$'\033[0m'; fi
step() {
  printf '\n%s$ vexa %s%s\n' "$bold" "$*" "$plain"
  vexa "$@"
}

# The greeting to write: 16 bytes, one block.
message="Written by demo!"
message_hex=$(printf '%s' "$message" | od -An -tx1 | tr -d ' \n')

echo "vexa demo: the library and the virtual reader in $build"
step scan
step mf read 1
step mf write 1 "$message_hex"
step mf read 1
step iso15693 inventory
uid=$(vexa --json iso15693 inventory | python3 -c 'import json, sys; print(json.load(sys.stdin)["tags"][0]["uid"])')
step iso15693 sysinfo --uid "$uid"
# SELECT of the card's application by name, then READ BINARY of 16 bytes.
step typeb apdu 00A4040006F07665786101 00B0000010
printf '\nvexa demo: done\n'
