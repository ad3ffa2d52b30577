# Shared by the scripts of the Wine suite: where things are, which launcher
# runs, and how to call Wine for each prefix. Sourced, not run.
#
# Environment (set by CTest, see WineTests.cmake):
#   TARNWICK_WINE_DIR    prefixes, case files, logs (build/wine)
#   TARNWICK_BUILD_DIR   the 32-bit Windows build (launcher.exe, standin.exe, boxreader.exe)
#   TARNWICK_TWIN_DIR    the 64-bit twin's build
#   TARNWICK_WINE_CASES  the host program that writes the case files
# Optional: TARNWICK_WINE_FLAVOUR=pe32|pe64 forces the launcher flavour.

: "${TARNWICK_WINE_DIR:?}" "${TARNWICK_BUILD_DIR:?}"

WINE_DIR="$TARNWICK_WINE_DIR"
PREFIX64="$WINE_DIR/prefix64"
PREFIX32="$WINE_DIR/prefix32"
CASES_DIR="$WINE_DIR/cases"
LOG_DIR="$WINE_DIR/logs"
. "$(dirname "${BASH_SOURCE[0]}")/wine32.sh"
WINE32_LOADER="$SYSTEM_WINE_DIR/wine"
WINE64_LOADER="$SYSTEM_WINE_DIR/wine64"
EMULATED_LOADERS="$WINE_DIR/loader"

export WINEDEBUG=-all
# No Mono or Gecko installer dialogs in a fresh prefix.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d"
export LC_ALL=C.UTF-8

# make_emulated_loaders: a copy of Wine's loaders under
# EMULATED_LOADERS whose 32-bit loader runs under the emulator (setup.sh
# makes it). Wine starts each new process with the loader that sits in the
# folder of the running one, so the 64-bit loader must live there too (for
# WOW64), and it finds its libraries and data relative to that folder, so
# the copy mirrors /usr/lib and /usr/share with links.
make_emulated_loaders() {
  local bin="$EMULATED_LOADERS/lib/wine"
  mkdir -p "$bin"
  ln -sfn /usr/lib/i386-linux-gnu "$EMULATED_LOADERS/lib/i386-linux-gnu"
  ln -sfn /usr/lib/x86_64-linux-gnu "$EMULATED_LOADERS/lib/x86_64-linux-gnu"
  ln -sfn /usr/share "$EMULATED_LOADERS/share"
  ln -sfn "$SYSTEM_WINE_DIR/wineserver" "$bin/wineserver"
  # Copied only when changed, and the wrapper replaced whole: a Wine process
  # left from an earlier run may still be running these files.
  cmp -s "$SYSTEM_WINE_DIR/wine" "$bin/wine.i386" || cp "$SYSTEM_WINE_DIR/wine" "$bin/wine.i386"
  cmp -s "$SYSTEM_WINE_DIR/wine64" "$bin/wine64" || cp "$SYSTEM_WINE_DIR/wine64" "$bin/wine64"
  # -0 keeps argv[0] the wrapper's own path, so Wine's later starts of its
  # loader come back through here.
  printf '#!/bin/sh\nexec "%s" -0 "%s" "%s" "$@"\n' "$EMULATOR" "$bin/wine" "$bin/wine.i386" >"$bin/wine.new"
  chmod +x "$bin/wine.new"
  mv -f "$bin/wine.new" "$bin/wine"
}

# Where the kernel runs no 32-bit code, the suite runs Wine's 32-bit side
# under qemu-i386 user emulation, and without that emulator, the 64-bit
# twin of the launcher, built from the same sources.
WINE32_MODE=none
if can_run_32bit; then
  WINE32_MODE=native
elif EMULATOR="$(qemu_i386)"; then
  WINE32_MODE="emulated by $EMULATOR"
  WINE32_LOADER="$EMULATED_LOADERS/lib/wine/wine"
  WINE64_LOADER="$EMULATED_LOADERS/lib/wine/wine64"
fi
if [ -z "${TARNWICK_WINE_FLAVOUR:-}" ]; then
  if [ "$WINE32_MODE" != none ]; then TARNWICK_WINE_FLAVOUR=pe32; else TARNWICK_WINE_FLAVOUR=pe64; fi
fi
case "$TARNWICK_WINE_FLAVOUR" in
  pe32) ARTEFACTS="$TARNWICK_BUILD_DIR" ;;
  pe64) ARTEFACTS="${TARNWICK_TWIN_DIR:?}" ;;
  *) echo "unknown TARNWICK_WINE_FLAVOUR $TARNWICK_WINE_FLAVOUR" >&2; exit 2 ;;
esac
LAUNCHER="$ARTEFACTS/launcher.exe"
STANDIN="$ARTEFACTS/standin.exe"
BOXREADER="$ARTEFACTS/boxreader.exe"

# The display that setup.sh started.
if [ -f "$WINE_DIR/display" ]; then
  DISPLAY=":$(cat "$WINE_DIR/display")"
  export DISPLAY
fi

# wine_command PREFIX-NAME: sets WINE_COMMAND to the command that runs a
# Windows program in prefix "64" or "32".
wine_command() {
  if [ "$1" = 64 ]; then
    WINE_COMMAND=(env WINEPREFIX="$PREFIX64" WINEARCH=win64 WINELOADER="$WINE64_LOADER" "$WINE64_LOADER")
  else
    WINE_COMMAND=(env WINEPREFIX="$PREFIX32" WINEARCH=win32 WINELOADER="$WINE32_LOADER" "$WINE32_LOADER")
  fi
}

# wine_in PREFIX-NAME ARGS...: runs Wine in that prefix. Callers send the
# output to a log, never to CTest's pipe: Wine's helper processes outlive
# the call and would hold that pipe open.
wine_in() {
  wine_command "$1"
  shift
  "${WINE_COMMAND[@]}" "$@"
}

wineserver_in() {
  local which="$1"
  shift
  if [ "$which" = 64 ]; then
    WINEPREFIX="$PREFIX64" "$SYSTEM_WINE_DIR/wineserver" "$@"
  else
    WINEPREFIX="$PREFIX32" "$SYSTEM_WINE_DIR/wineserver" "$@"
  fi
}

prefix_dir() {
  if [ "$1" = 64 ]; then echo "$PREFIX64"; else echo "$PREFIX32"; fi
}

# unix_path PREFIX-NAME 'C:\dir\file': the Linux path of a path on drive C:.
unix_path() {
  local windows="$2"
  local rest="${windows#[Cc]:}"
  rest="${rest//\\//}"
  echo "$(prefix_dir "$1")/drive_c$rest"
}

# The prefixes this flavour uses.
prefixes_in_use() {
  if [ "$TARNWICK_WINE_FLAVOUR" = pe32 ]; then echo "64 32"; else echo "64"; fi
}
