#!/usr/bin/env bash
# One end-to-end case: the real launcher file of the case (written by
# setup.sh) run under Wine, checked by what a user would see: the command
# line, path and folder the setup program got, the files left on disk, the
# message box read back from the screen, and the launcher's exit code.
#
# usage: run-case.sh CASE    (exit 0 passed, 1 failed, 77 skipped)
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/common.sh"

name="${1:?case name}"
log="$LOG_DIR/$name.log"
: >"$log"

fail() {
  echo "FAIL $name: $*"
  if [ -s "$log" ]; then
    echo "--- last lines of $log"
    tail -n 40 "$log"
  fi
  exit 1
}
skip() {
  echo "SKIP $name: $*"
  exit 77
}
expect_equal() {  # what, expected, actual
  [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"
}

# The texts of the fixed fatal messages, byte for byte.
TEXT_DAMAGED="An error occurred while trying to read the setup package.  It has most likely been damaged.  Please obtain a new copy from the vendor."
TEXT_TRUNCATED="The setup package has been truncated.  You most likely have an incomplete download.  Try downloading it again."
TEXT_TEMP_FAILED="An error occurred while trying to create a temporary copy of the setup package.  Please make sure that you have sufficient access rights to this computer to install software and that the Windows TEMP folder can be written to.  You can make this installer use a different folder for its temporary files using the /temp command line parameter followed by the path to a folder you can write to and run applications from."

# Which Windows a case needs: "wow64" (the 32-bit launcher on 64-bit
# Windows), "win32" (a launcher that is not under WOW64), or "any".
needs="any"
case "$name" in
  payload64 | slash32) needs=wow64 ;;
  native32 | bitness) needs=win32 ;;
esac
which=64
if [ "$needs" = wow64 ] && [ "$TARNWICK_WINE_FLAVOUR" != pe32 ]; then
  skip "needs the 32-bit launcher under WOW64, which this machine cannot run"
fi
if [ "$needs" = win32 ] && [ "$TARNWICK_WINE_FLAVOUR" = pe32 ]; then
  which=32  # the 32-bit prefix: Windows without WOW64
fi
prefix="$(prefix_dir "$which")"
[ -f "$prefix/.tarnwick-ready" ] || fail "prefix $prefix is not set up (wine.setup)"
[ -f "$CASES_DIR/$name.exe" ] || fail "no case file $CASES_DIR/$name.exe"

cases_unix="$prefix/drive_c/cases"
mkdir -p "$cases_unix"
exe_windows="C:\\cases\\$name.exe"
exe_unix="$cases_unix/$name.exe"
record_windows="C:\\cases\\$name.record"
record_unix="$cases_unix/$name.record"
box_windows="C:\\cases\\$name.box"
box_unix="$cases_unix/$name.box"
cp "$CASES_DIR/$name.exe" "$exe_unix"
cp "$BOXREADER" "$cases_unix/boxreader.exe"
rm -f "$record_unix" "$box_unix"
export TARNWICK_RECORD="$record_windows"
unset TARNWICK_EXIT_CODE TARNWICK_HOLD

# The temporary folder that Wine gives programs in this prefix, learnt once
# from the stand-in itself.
temp_folder() {
  local cache="$WINE_DIR/tempfolder$which"
  if [ ! -s "$cache" ]; then
    cp "$STANDIN" "$cases_unix/probe.exe"
    TARNWICK_RECORD='C:\cases\probe.record' wine_in "$which" 'C:\cases\probe.exe' </dev/null >>"$log" 2>&1
    sed -n 's/^tempPath=//p' "$cases_unix/probe.record" | tr -d '\r' >"$cache"
    rm -f "$cases_unix/probe.exe" "$cases_unix/probe.record"
  fi
  cat "$cache"
}

record() {  # key: the value the stand-in recorded
  [ -f "$record_unix" ] || fail "the setup program left no record"
  sed -n "s/^$1=//p" "$record_unix" | tr -d '\r' | head -n 1
}

# Runs the launcher; a case that expects no box gets at most 120 s, and any
# box it shows instead is read back for the failure report.
run_launcher() {
  wine_command "$which"
  timeout "${LAUNCHER_LIMIT:-120}" "${WINE_COMMAND[@]}" "$exe_windows" "$@" </dev/null >>"$log" 2>&1
  launcher_rc=$?
}

run_plain() {
  run_launcher "$@"
  if [ "$launcher_rc" = 124 ]; then
    read_box 5 && fail "the launcher showed a box instead: $(sed -n 's/^text=//p' "$box_unix")"
    fail "the launcher did not end within ${LAUNCHER_LIMIT:-120} s"
  fi
  expect_equal "launcher exit code" 0 "$launcher_rc"
}

read_box() {  # seconds
  wine_in "$which" 'C:\cases\boxreader.exe' "$box_windows" "$1" </dev/null >>"$log" 2>&1
}

# Runs the launcher, reads its one message box, and checks the box, the
# exit code and that no setup program ran.
expect_box() {  # text, then the launcher's arguments
  local text="$1"
  shift
  wine_in "$which" "$exe_windows" "$@" </dev/null >>"$log" 2>&1 &
  local launcher_pid=$!
  read_box 60 || { kill "$launcher_pid" 2>/dev/null; fail "no message box appeared"; }
  local waited=0
  while kill -0 "$launcher_pid" 2>/dev/null && [ $waited -lt 300 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  kill -0 "$launcher_pid" 2>/dev/null && fail "the launcher did not end after its box was closed"
  wait "$launcher_pid"
  local rc=$?
  expect_equal "box caption" "$exe_windows" "$(sed -n 's/^caption=//p' "$box_unix")"
  expect_equal "box text" "$text" "$(sed -n 's/^text=//p' "$box_unix")"
  expect_equal "box buttons" "button=OK" "$(grep '^button=' "$box_unix" | tr '\n' ' ' | sed 's/ $//')"
  expect_equal "launcher exit code" 0 "$rc"
  [ -f "$record_unix" ] && fail "a setup program ran although the launcher refused"
  return 0
}

# Checks what the setup program received: the copy it ran from, the
# package slot and tag it came from, then its arguments as the setup must
# see them after the launcher's own path.
expect_setup_ran() {  # copy path (Windows), slot, tag, arguments...
  local copy="$1" slot="$2" tag="$3"
  shift 3
  local expected_line="\"$copy\" \"$exe_windows\""
  local argument
  for argument in "$@"; do
    if [[ "$argument" == *" "* ]]; then expected_line+=" \"$argument\""; else expected_line+=" $argument"; fi
  done
  expect_equal "setup command line" "$expected_line" "$(record commandLine)"
  expect_equal "setup module path" "$copy" "$(record modulePath)"
  expect_equal "setup current folder" 'C:\cases' "$(record currentDir)"
  expect_equal "payload tag" "$tag" "$(record tag)"
  local program="$CASES_DIR/$name.$slot.bin"
  expect_equal "setup file size" "$(stat -c %s "$program")" "$(record fileSize)"
  expect_equal "setup file CRC" "$(python3 -c 'import sys,zlib; print("%08x" % zlib.crc32(open(sys.argv[1],"rb").read()))' "$program")" \
    "$(record fileCrc)"
}

expect_deleted() {  # Windows path
  local path
  path="$(unix_path "$which" "$1")"
  [ -e "$path" ] && fail "the temporary copy $1 is still there"
  return 0
}

case "$name" in
  plain)
    # Exit code 0 whatever the setup program's own.
    export TARNWICK_EXIT_CODE=7
    run_plain alpha "two words" /x
    temp="$(temp_folder)"
    expect_setup_ran "${temp}plain.exe" payload32 payload32 alpha "two words" /x
    expect_deleted "${temp}plain.exe"
    ;;
  payload64)
    run_plain
    temp="$(temp_folder)"
    expect_setup_ran "${temp}payload64.exe" payload64 payload64
    ;;
  slash32)
    run_plain /32
    temp="$(temp_folder)"
    expect_setup_ran "${temp}slash32.exe" payload32 payload32 /32
    ;;
  native32)
    run_plain
    temp="$(temp_folder)"
    expect_setup_ran "${temp}native32.exe" payload32 payload32
    ;;
  bitness)
    expect_box "This setup program needs 64-bit Windows. %USER% is left as it is."
    ;;
  winversion)
    expect_box "This setup program does not run on Windows 10. It was built for Windows 7 only; please run it on a computer with Windows 7, or ask the vendor for a setup program that supports your version of Windows. Nothing has been changed on this computer."
    ;;
  release)
    expect_box "Windows 10 release refused: Windows 10 1809 (October 2018 Update)."
    ;;
  manifest81)
    # Wine reports 6.3 only to a program whose manifest names Windows 8.1.
    run_plain
    temp="$(temp_folder)"
    expect_setup_ran "${temp}manifest81.exe" payload32 payload32
    ;;
  manifest8)
    expect_box "Refused: Windows 8.1."
    ;;
  truncated)
    expect_box "$TEXT_TRUNCATED"
    ;;
  damaged)
    expect_box "$TEXT_DAMAGED"
    ;;
  tempfolder)
    mkdir -p "$prefix/drive_c/tmp dir"
    run_plain /temp 'C:\tmp dir'
    expect_setup_ran 'C:\tmp dir\tempfolder.exe' payload32 payload32 /temp 'C:\tmp dir'
    expect_deleted 'C:\tmp dir\tempfolder.exe'
    ;;
  templast)
    # The launcher's own folder holds the launcher itself: the copy is numbered.
    before="$(sha256sum <"$exe_unix")"
    run_plain /temp
    expect_setup_ran 'C:\cases\templast2.exe' payload32 payload32 /temp
    expect_deleted 'C:\cases\templast2.exe'
    expect_equal "the launcher's own file" "$before" "$(sha256sum <"$exe_unix")"
    ;;
  tempmissing)
    expect_box "$TEXT_TEMP_FAILED" /temp 'C:\no such folder'
    ;;
  taken)
    temp="$(temp_folder)"
    taken_unix="$(unix_path "$which" "${temp}taken.exe")"
    mkdir -p "$(dirname "$taken_unix")"
    rm -rf "$taken_unix" "${taken_unix%.exe}2.exe" "${taken_unix%.exe}3.exe"
    echo "occupied" >"$taken_unix"
    mkdir "${taken_unix%.exe}2.exe"  # a folder counts as taken too
    run_plain
    expect_setup_ran "${temp}taken3.exe" payload32 payload32
    expect_deleted "${temp}taken3.exe"
    expect_equal "the file that held the name" "occupied" "$(cat "$taken_unix")"
    rm -rf "$taken_unix" "${taken_unix%.exe}2.exe"
    ;;
  detached)
    hold_windows="C:\\cases\\detached.go"
    hold_unix="$cases_unix/detached.go"
    rm -f "$hold_unix"
    export TARNWICK_HOLD="$hold_windows"
    run_plain
    # The launcher has ended; the setup program is still waiting for the
    # hold file, so the launcher cannot have waited for it.
    for _ in $(seq 300); do
      [ -f "$record_unix" ] && break
      sleep 0.1
    done
    grep -q '^held=done' "$record_unix" 2>/dev/null && fail "the setup program ended before the launcher"
    temp="$(temp_folder)"
    expect_setup_ran "${temp}detached.exe" payload32 payload32
    touch "$hold_unix"
    for _ in $(seq 300); do
      grep -q '^held=done' "$record_unix" 2>/dev/null && break
      sleep 0.1
    done
    grep -q '^held=done' "$record_unix" || fail "the setup program did not end"
    sleep 1
    copy_unix="$(unix_path "$which" "${temp}detached.exe")"
    [ -f "$copy_unix" ] || fail "the temporary copy of a detached run was deleted"
    rm -f "$copy_unix" "$hold_unix"
    ;;
  signed)
    key="$WINE_DIR/test-signing.key"
    cert="$WINE_DIR/test-signing.crt"
    if [ ! -f "$cert" ]; then
      openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -subj "/CN=Tarnwick Test Signing" \
        -keyout "$key" -out "$cert" >>"$log" 2>&1 || fail "openssl could not make a test certificate"
    fi
    unsigned_size=$(stat -c %s "$exe_unix")
    osslsigncode sign -certs "$cert" -key "$key" -n "Tarnwick test" -h sha256 \
      -in "$CASES_DIR/$name.exe" -out "$exe_unix.signed" >>"$log" 2>&1 || fail "osslsigncode could not sign"
    mv "$exe_unix.signed" "$exe_unix"
    osslsigncode verify -CAfile "$cert" -in "$exe_unix" >>"$log" 2>&1 || fail "the signature does not verify"
    signed_size=$(stat -c %s "$exe_unix")
    [ "$signed_size" -gt "$unsigned_size" ] || fail "signing appended nothing"
    run_plain
    temp="$(temp_folder)"
    expect_setup_ran "${temp}signed.exe" payload32 payload32
    ;;
  large)
    LAUNCHER_LIMIT=280 run_plain
    temp="$(temp_folder)"
    expect_setup_ran "${temp}large.exe" payload32 large
    expect_deleted "${temp}large.exe"
    ;;
  *)
    fail "unknown case"
    ;;
esac
rm -f "$record_unix" "$box_unix"
echo "PASS $name ($TARNWICK_WINE_FLAVOUR launcher, win$which prefix)"
