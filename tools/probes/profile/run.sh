#!/bin/sh
# Builds one probe as a static Windows program and runs it under Wine in a
# throw-away prefix: tools/probes/profile/run.sh probe_write
set -e
here=$(cd "$(dirname "$0")" && pwd)
out=${PROBE_OUT:-/tmp/qmon-profile-probes}
mkdir -p "$out"
x86_64-w64-mingw32-g++ -std=c++17 -O1 -static -o "$out/$1.exe" "$here/$1.cpp"
WINEPREFIX=${WINEPREFIX:-$out/prefix} WINEDEBUG=-all wine "$out/$1.exe"
