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
SYSTEM_WINE_DIR=/usr/lib/wine
WINE32_LOADER="$SYSTEM_WINE_DIR/wine"
WINE64_LOADER="$SYSTEM_WINE_DIR/wine64"
# The least qemu-i386 that runs Wine's 32-bit side: 7.2 (Debian 12) fails
# to give Wine the shared user data page at 0x7ffe0000; 10.0 (Debian 13,
# and Debian 12's backports) works.
QEMU_I386_LEAST_MAJOR=10

export WINEDEBUG=-all
# No Mono or Gecko installer dialogs in a fresh prefix.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d"
export LC_ALL=C.UTF-8

# The 32-bit launcher needs 32-bit Linux code to run: Wine runs 32-bit
# Windows programs in 32-bit Linux processes. Some virtual machines turn
# the kernel's IA-32 emulation off; there the suite runs Wine's 32-bit
# side under qemu-i386 user emulation, and without that emulator, the
# 64-bit twin of the launcher, built from the same sources.
can_run_32bit() {
  "$SYSTEM_WINE_DIR/wine" --version >/dev/null 2>&1
}

# qemu_i386: prints the emulator's path if one new enough is installed.
qemu_i386() {
  local emulator major
  emulator="$(command -v qemu-i386 || command -v qemu-i386-static)" || return 1
  major="$("$emulator" --version | sed -n '1s/^qemu-i386 version \([0-9]*\)\..*/\1/p')"
  [ -n "$major" ] && [ "$major" -ge "$QEMU_I386_LEAST_MAJOR" ] || return 1
  echo "$emulator"
}

# use_emulated_loaders EMULATOR: points both loaders at a copy of Wine's
# under WINE_DIR/loader whose 32-bit loader runs under the emulator. Wine
# starts each new process with the loader that sits in the folder of the
# running one, so the 64-bit loader must live there too (for WOW64), and
# it finds its libraries and data relative to that folder, so the copy
# mirrors /usr/lib and /usr/share with links.
use_emulated_loaders() {
  local emulator="$1" root="$WINE_DIR/loader"
  local bin="$root/lib/wine"
  mkdir -p "$bin"
  ln -sfn /usr/lib/i386-linux-gnu "$root/lib/i386-linux-gnu"
  ln -sfn /usr/lib/x86_64-linux-gnu "$root/lib/x86_64-linux-gnu"
  ln -sfn /usr/share "$root/share"
  ln -sfn "$SYSTEM_WINE_DIR/wineserver" "$bin/wineserver"
  cmp -s "$SYSTEM_WINE_DIR/wine" "$bin/wine.i386" || cp "$SYSTEM_WINE_DIR/wine" "$bin/wine.i386"
  cmp -s "$SYSTEM_WINE_DIR/wine64" "$bin/wine64" || cp "$SYSTEM_WINE_DIR/wine64" "$bin/wine64"
  # -0 keeps argv[0] the wrapper's own path, so Wine's later starts of its
  # loader come back through here.
  printf '#!/bin/sh\nexec "%s" -0 "%s" "%s" "$@"\n' "$emulator" "$bin/wine" "$bin/wine.i386" >"$bin/wine.new"
  chmod +x "$bin/wine.new"
  mv -f "$bin/wine.new" "$bin/wine"
  WINE32_LOADER="$bin/wine"
  WINE64_LOADER="$bin/wine64"
}

WINE32_MODE=none
if can_run_32bit; then
  WINE32_MODE=native
elif emulator="$(qemu_i386)"; then
  use_emulated_loaders "$emulator"
  WINE32_MODE="emulated by $emulator"
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
