#!/usr/bin/env bash
# `make demo`: packs the stand-in setup program of tests/wine into a package
# on the real launcher, runs it under Wine with a few arguments, and prints
# what the setup program received.
#
# usage: demo.sh HOST_BUILD WINDOWS_BUILD WINE_DIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
export TARNWICK_WINE_CASES="$1/wine_cases"
export TARNWICK_BUILD_DIR="$2"
export TARNWICK_TWIN_DIR="$2/twin64"
export TARNWICK_WINE_DIR="$3"
. "$here/common.sh"

trap 'bash "$here/teardown.sh"' EXIT
bash "$here/setup.sh" | sed 's/^/  /'

which=64
cases_unix="$PREFIX64/drive_c/cases"
mkdir -p "$cases_unix"
"$TARNWICK_WINE_CASES" "$LAUNCHER" "$STANDIN" "$cases_unix" demo >/dev/null
rm -f "$cases_unix/demo.record" "$cases_unix"/demo.payload*.bin
echo
echo "Running C:\\cases\\demo.exe ($(stat -c %s "$cases_unix/demo.exe") bytes: launcher and package) with:"
echo "  /silent \"C:\\Program Files\\Demo\" plain-word"
set +e
TARNWICK_RECORD='C:\cases\demo.record' TARNWICK_EXIT_CODE=3 \
  wine_in "$which" 'C:\cases\demo.exe' /silent 'C:\Program Files\Demo' plain-word </dev/null >"$LOG_DIR/demo.log" 2>&1
rc=$?
set -e
echo "The launcher ended with exit code $rc (the setup program's own was 3)."
if [ ! -f "$cases_unix/demo.record" ]; then
  echo "The setup program did not run; see $LOG_DIR/demo.log" >&2
  exit 1
fi
echo "The setup program received:"
sed -e 's/^/  /' -e 's/\r$//' "$cases_unix/demo.record"
