# How 32-bit Wine can run on this machine, for the Wine suite and for
# scripts/install-deps.sh. Sourced, not run.

SYSTEM_WINE_DIR=/usr/lib/wine
# The least qemu-i386 that runs Wine's 32-bit side: 7.2 (Debian 12) fails
# to give Wine the shared user data page at 0x7ffe0000; 10.0 (Debian 13,
# and Debian 12's backports) works.
QEMU_I386_LEAST_MAJOR=10

# can_run_32bit: whether the kernel starts Wine's 32-bit loader. Wine runs
# 32-bit Windows programs in 32-bit Linux processes, and some virtual
# machines turn the kernel's IA-32 emulation off.
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
