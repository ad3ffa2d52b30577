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
WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

export WINEDEBUG=-all
# No Mono or Gecko installer dialogs in a fresh prefix.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d"
export LC_ALL=C.UTF-8

# The 32-bit launcher needs a kernel that runs 32-bit code: Wine runs
# 32-bit Windows programs in 32-bit Linux processes. Where that is missing
# (some virtual machines turn IA-32 emulation off), the suite runs the
# 64-bit twin of the launcher, built from the same sources.
can_run_32bit() {
  "$WINE32_LOADER" --version >/dev/null 2>&1
}

if [ -z "${TARNWICK_WINE_FLAVOUR:-}" ]; then
  if can_run_32bit; then TARNWICK_WINE_FLAVOUR=pe32; else TARNWICK_WINE_FLAVOUR=pe64; fi
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
    WINEPREFIX="$PREFIX64" /usr/lib/wine/wineserver "$@"
  else
    WINEPREFIX="$PREFIX32" /usr/lib/wine/wineserver "$@"
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
