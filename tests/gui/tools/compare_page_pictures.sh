#!/bin/bash
# Every page of the wizard at 96, 120, 144 and 192 DPI, pixel for pixel, in this checkout's windows
# build and in another build of the wizard (e.g. one of main): tests/gui/tools/page_pictures.cpp
# takes the pictures of both, walking each with real input against one test-server instance, under
# Wine in a prefix and on a screen of this script's own (build/windows/wineprefix-pictures); each
# pair is then compared with ImageMagick's `compare -metric AE` (how many pixels differ). Prints one
# line per picture and "N of N pictures equal"; exit code 0 only when every pair is equal.
#
#   tests/gui/tools/compare_page_pictures.sh <other CriaBD.exe> [out folder] [DPIs]
# Build first: cmake --build --preset windows --target page_pictures
# The pictures stay in the out folder (default build/windows/page-pictures), in this/ and other/.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
build=$root/build/windows
other=$(realpath "${1:?usage: compare_page_pictures.sh <other CriaBD.exe> [out folder] [DPIs]}")
out=$(realpath -m "${2:-$build/page-pictures}")
dpis=${3:-96,120,144,192}
wineserver=/usr/lib/wine/wineserver
prefix=$build/wineprefix-pictures
servers=$(mktemp -d "${TMPDIR:-/tmp}/page-pictures.XXXXXX")

cleanup() {
  (cd "$root/tools/sqltestserver" && python3 -m sqltestserver stop --dir "$servers" >/dev/null 2>&1)
  WINEPREFIX=$prefix sh "$root/tests/support/own_prefix.sh" stop "$build" "$wineserver" pictures >/dev/null
  rm -rf "$servers"
}
trap cleanup EXIT

rm -rf "$out/this" "$out/other"
mkdir -p "$out"
sh "$root/tests/support/own_prefix.sh" start "$build" "$wineserver" pictures --dpi --own-screen || exit 1
(cd "$root/tools/sqltestserver" && python3 -m sqltestserver start --dir "$servers") || exit 1
WINEPREFIX=$prefix WIZARD_SCREEN_FILE=$prefix.display SQLTESTSERVER_PORT_FILE=$servers/sqltestserver.port \
  PAGE_PICTURES_OUT=$(WINEPREFIX=$prefix /usr/lib/wine/wine64 winepath -w "$out" 2>/dev/null) \
  PAGE_PICTURES_BUILDS="this=$(WINEPREFIX=$prefix /usr/lib/wine/wine64 winepath -w "$build/bin/CriaBD.exe" 2>/dev/null);other=$(WINEPREFIX=$prefix /usr/lib/wine/wine64 winepath -w "$other" 2>/dev/null)" \
  PAGE_PICTURES_DPIS=$dpis \
  "$build/wine-run.sh" "$build/bin/page_pictures.exe" || echo "page_pictures failed"

pictures=0 equal=0
for picture in "$out"/this/*.png; do
  name=$(basename "$picture")
  pictures=$((pictures + 1))
  if [[ ! -f "$out/other/$name" ]]; then
    echo "$name: missing in other/"
    continue
  fi
  differing=$(compare -metric AE "$picture" "$out/other/$name" null: 2>&1)
  echo "$name: $differing pixels differ"
  [[ "$differing" == 0 ]] && equal=$((equal + 1))
done
echo "$equal of $pictures pictures equal"
[[ $pictures -gt 0 && $equal -eq $pictures ]]
