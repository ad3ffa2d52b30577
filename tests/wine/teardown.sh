#!/usr/bin/env bash
# Ends what setup.sh started: the prefixes' wineservers and Xvfb. The
# prefixes themselves stay under build/wine for the next run.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/common.sh"

for which in 64 32; do
  [ -d "$(prefix_dir "$which")" ] && wineserver_in "$which" -k </dev/null >/dev/null 2>&1
done
if [ -f "$WINE_DIR/xvfb.pid" ]; then
  kill "$(cat "$WINE_DIR/xvfb.pid")" 2>/dev/null
  rm -f "$WINE_DIR/xvfb.pid" "$WINE_DIR/display"
fi
exit 0
