#!/usr/bin/env bash
# The Wine suite's fixture: starts Xvfb, makes the prefixes (kept under
# build/wine between runs), sets the Windows versions and the release
# number the cases rely on, and writes every case's launcher file.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/common.sh"

mkdir -p "$WINE_DIR" "$CASES_DIR" "$LOG_DIR"
if [ "$TARNWICK_WINE_FLAVOUR" = pe32 ] && [ "$WINE32_MODE" = none ]; then
  echo "The 32-bit launcher was asked for, but 32-bit Wine cannot run here." >&2
  exit 1
fi
# What ran, also kept for `make test-wine` to print after CTest's summary.
{
  echo "Wine suite: $TARNWICK_WINE_FLAVOUR launcher ($LAUNCHER), 32-bit Wine: $WINE32_MODE"
  if [ "$TARNWICK_WINE_FLAVOUR" = pe64 ]; then
    if [ "$WINE32_MODE" = none ]; then
      echo "This kernel runs no 32-bit code and no new enough qemu-i386 is installed, so"
    else
      echo "TARNWICK_WINE_FLAVOUR asked for the 64-bit twin, so"
    fi
    echo "the cases run the launcher's 64-bit twin, and the cases that need WOW64 are skipped."
  fi
} | tee "$LOG_DIR/suite.txt"
[ -z "${EMULATOR:-}" ] || make_emulated_loaders
for artefact in "$LAUNCHER" "$STANDIN" "$BOXREADER" "${TARNWICK_WINE_CASES:?}"; do
  [ -f "$artefact" ] || { echo "missing: $artefact" >&2; exit 1; }
done

# A display for the message boxes. -displayfd picks a free one.
if [ -f "$WINE_DIR/xvfb.pid" ] && kill -0 "$(cat "$WINE_DIR/xvfb.pid")" 2>/dev/null; then
  :
else
  rm -f "$WINE_DIR/display"
  setsid Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$WINE_DIR/display" \
    </dev/null >"$LOG_DIR/xvfb.log" 2>&1 &
  echo $! >"$WINE_DIR/xvfb.pid"
  for _ in $(seq 100); do
    [ -s "$WINE_DIR/display" ] && break
    sleep 0.1
  done
  [ -s "$WINE_DIR/display" ] || { echo "Xvfb did not start" >&2; cat "$LOG_DIR/xvfb.log" >&2; exit 1; }
fi
DISPLAY=":$(tr -d '\n' <"$WINE_DIR/display")"
export DISPLAY
echo "display $DISPLAY"

registry_file="$WINE_DIR/cases.reg"
cat >"$registry_file" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine]
"Version"="win10"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\manifest81.exe]
"Version"="win81"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\manifest8.exe]
"Version"="win81"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion]
"ReleaseId"="1809"

[HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion]
"ReleaseId"="1809"
EOF

# A 64-bit prefix made where 32-bit Wine could not run lacks its 32-bit
# half (syswow64), so each prefix remembers whether it has one and is made
# again where that differs.
if [ "$WINE32_MODE" = none ]; then ready="32-bit: no"; else ready="32-bit: yes"; fi
for which in $(prefixes_in_use); do
  prefix="$(prefix_dir "$which")"
  if [ "$(cat "$prefix/.tarnwick-ready" 2>/dev/null)" != "$ready" ]; then
    echo "making the win$which prefix (once)"
    rm -rf "$prefix"
    start=$(date +%s)
    wine_in "$which" wineboot -i </dev/null >"$LOG_DIR/wineboot$which.log" 2>&1
    wineserver_in "$which" -w
    echo "  $(( $(date +%s) - start )) s"
  fi
  # Kept running for the whole suite; its output must not reach CTest.
  wineserver_in "$which" -p </dev/null >/dev/null 2>&1 || true  # already running
  # Right after a fresh wineboot the first program start now and then fails
  # ("Application could not be started"); a second try works.
  imported=no
  for _ in 1 2 3; do
    if wine_in "$which" regedit /S "Z:${registry_file//\//\\}" </dev/null >>"$LOG_DIR/regedit$which.log" 2>&1; then
      imported=yes
      break
    fi
    sleep 2
  done
  [ "$imported" = yes ] || { echo "regedit failed" >&2; tail -n 5 "$LOG_DIR/regedit$which.log" >&2; exit 1; }
  mkdir -p "$prefix/drive_c/cases"
  echo "$ready" >"$prefix/.tarnwick-ready"
done

echo "writing the case files"
rm -f "$CASES_DIR"/*.exe
"$TARNWICK_WINE_CASES" "$LAUNCHER" "$STANDIN" "$CASES_DIR" >"$LOG_DIR/cases.log"
echo "$(wc -l <"$LOG_DIR/cases.log") case files, bare launcher $(stat -c %s "$LAUNCHER") bytes"
