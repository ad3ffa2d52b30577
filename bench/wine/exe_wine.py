#!/usr/bin/env python3
"""exe_wine_64mib: the real launcher under Wine with a 64 MiB setup program,
time to the setup program's start minus Wine's own start-up, over the same
for a Windows program of ours that decodes the same stream with the same
liblzma into one buffer allocated up front.

Each program stamps the wall clock at its start (the stand-in setup program
when the launcher starts it; the reference after its decode; the bare
stand-in for Wine's own start-up), so every time runs from the spawn of Wine
to a stamp. Runs of each go in turn; the figure is the median of
(launcher - bare) / (reference - bare). Prints `exe_wine_64mib: VALUE` last,
or says why it cannot.
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
MIB = 1 << 20
SETUP_SIZE = 64 * MIB
FILETIME_UNIX_EPOCH = 116444736000000000
FILETIME_PER_SECOND = 10_000_000
RUN_TIMEOUT = 120
RUN_ATTEMPTS = 2
ALONE_SIZE_FIELD = 8


def log(text):
    print(text, file=sys.stderr, flush=True)


def give_up(reason):
    print(f"exe_wine_64mib: not measured ({reason})")
    sys.exit(0)


def can_run_32bit():
    try:
        return subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True).returncode == 0
    except OSError:
        # The kernel refuses 32-bit code altogether.
        return False


class TFlavour:
    """Which Wine and cross compiler: the 32-bit launcher where this kernel
    runs 32-bit code, its 64-bit twin (same sources) where it does not."""

    def __init__(self, work):
        if can_run_32bit():
            self.name, self.arch, self.loader = "pe32", "win32", "/usr/lib/wine/wine"
            self.compiler, self.xz = "i686-w64-mingw32-g++", os.path.join(ROOT, "build", "xz-win32")
            self.launcher = os.path.join(ROOT, "dist", "launcher.exe")
        else:
            self.name, self.arch, self.loader = "pe64", "win64", "/usr/lib/wine/wine64"
            self.compiler, self.xz = "x86_64-w64-mingw32-g++", os.path.join(ROOT, "build", "xz-win64")
            self.launcher = os.path.join(ROOT, "build", "win32", "twin64", "launcher.exe")
        self.launcher = os.environ.get("TARNWICK_BENCH_LAUNCHER", self.launcher)
        self.prefix = os.path.join(work, f"wineprefix-{self.name}")
        self.server = "/usr/lib/wine/wineserver"

    def environment(self, extra):
        env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH=self.arch, WINELOADER=self.loader,
                   WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree=d;mshtml=d")
        env.update(extra)
        return env


def build_program(flavour, source, output):
    """The helpers, cross-built like the launcher: GUI subsystem, static,
    the launcher's own liblzma."""
    sources = [os.path.join(HERE, source)]
    if os.path.exists(output) and all(os.path.getmtime(output) >= os.path.getmtime(s) for s in sources):
        return
    command = [flavour.compiler, "-std=c++17", "-O2", "-mwindows", "-static", "-s", "-DLZMA_API_STATIC",
               "-I" + os.path.join(flavour.xz, "include"), *sources, "-o", output,
               os.path.join(flavour.xz, "lib", "liblzma.a")]
    subprocess.run(command, check=True)


def make_setup(stamp_exe, payload, output):
    """The stand-in padded with system binaries to a real setup's size."""
    with open(stamp_exe, "rb") as handle:
        image = handle.read()
    with open(payload, "rb") as handle:
        content = image + handle.read(SETUP_SIZE - len(image))
    if os.path.exists(output):
        with open(output, "rb") as handle:
            if handle.read() == content:
                return
    with open(output, "wb") as out:
        out.write(content)


def alone_stream(pack, package, output):
    config = json.loads(subprocess.run([pack, "inspect", package, "--json"], check=True,
                                       capture_output=True).stdout)["config"]
    ref = config["payload32"]
    properties = bytes.fromhex(config["lzmaProperties"].replace(" ", ""))
    with open(package, "rb") as handle:
        handle.seek(ref["offset"])
        packed = handle.read(ref["packedSize"])
    with open(output, "wb") as out:
        out.write(properties + ref["unpackedSize"].to_bytes(ALONE_SIZE_FIELD, "little") + packed)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def stamped_run(flavour, program, stamp, extra_env):
    """Seconds from the spawn of Wine to the program's stamp."""
    if os.path.exists(stamp):
        os.remove(stamp)
    env = flavour.environment({"TARNWICK_BENCH_STAMP": windows_path(stamp), **extra_env})
    start = time.time()
    result = subprocess.run([flavour.loader, program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            timeout=RUN_TIMEOUT)
    if not os.path.exists(stamp):
        raise RuntimeError(f"{os.path.basename(program)} left no stamp (exit {result.returncode})")
    with open(stamp) as handle:
        ticks = int(handle.read().strip())
    return (ticks - FILETIME_UNIX_EPOCH) / FILETIME_PER_SECOND - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--pack", required=True)
    parser.add_argument("--payload", required=True, help="system binaries, at least 64 MiB")
    parser.add_argument("--work", required=True)
    parser.add_argument("--pairs", type=int, default=7)
    args = parser.parse_args()

    work = os.path.join(args.work, "wine")
    os.makedirs(work, exist_ok=True)
    flavour = TFlavour(args.work)
    if not os.path.exists(flavour.launcher):
        give_up(f"no Windows build: {flavour.launcher} is missing")
    if shutil.which(flavour.compiler) is None or not os.path.exists(os.path.join(flavour.xz, "lib", "liblzma.a")):
        give_up(f"no {flavour.compiler} or no cross-built liblzma in {flavour.xz}")
    log(f"exe_wine_64mib: {flavour.name} under Wine, launcher {flavour.launcher}")

    stamp_exe = os.path.join(work, f"stamp-{flavour.name}.exe")
    reference_exe = os.path.join(work, f"reference-{flavour.name}.exe")
    build_program(flavour, "StartStamp.cpp", stamp_exe)
    build_program(flavour, "ReferenceDecode.cpp", reference_exe)
    starter_exe = os.path.join(work, f"starter-{flavour.name}.exe")
    build_program(flavour, "StartChild.cpp", starter_exe)
    setup = os.path.join(work, f"setup-{flavour.name}.exe")
    make_setup(stamp_exe, args.payload, setup)
    package = os.path.join(work, f"launcher-{flavour.name}-64mib.exe")
    if not os.path.exists(package) or os.path.getmtime(package) < max(os.path.getmtime(setup),
                                                                       os.path.getmtime(flavour.launcher)):
        log("  packing the 64 MiB setup program (LZMA preset 6)")
        subprocess.run([args.pack, "build", "--stub", flavour.launcher, "--setup32", setup, "-o", package],
                       check=True, stdout=subprocess.DEVNULL)
    stream = os.path.join(work, f"stream-{flavour.name}.lzma")
    alone_stream(args.pack, package, stream)

    stamp = os.path.join(work, "stamp.txt")
    temp = os.path.join(work, "temp")
    os.makedirs(temp, exist_ok=True)
    # The launcher's copy goes to a folder of ours, not the prefix's.
    launcher_env = {"TEMP": windows_path(temp), "TMP": windows_path(temp)}
    reference_env = {"TARNWICK_BENCH_STREAM": windows_path(stream)}
    starter_env = {"TARNWICK_BENCH_CHILD": windows_path(stamp_exe)}
    if not os.path.exists(os.path.join(flavour.prefix, "system.reg")):
        log("  creating the Wine prefix")
        subprocess.run([flavour.loader, "wineboot", "-i"], env=flavour.environment({}),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=RUN_TIMEOUT)

    def triplet():
        """One of each, interleaved; a Wine that hangs is restarted once."""
        for attempt in range(RUN_ATTEMPTS):
            # The runs follow each other closely enough that the wineserver
            # of one stays up for the next; a persistent one (-p) made the
            # next run hang here.
            try:
                return (stamped_run(flavour, stamp_exe, stamp, {}),
                        stamped_run(flavour, package, stamp, launcher_env),
                        stamped_run(flavour, reference_exe, stamp, reference_env),
                        stamped_run(flavour, starter_exe, stamp, starter_env))
            except subprocess.TimeoutExpired:
                log("  a Wine run hung; restarting the wineserver")
                subprocess.run([flavour.server, "-k"], env=flavour.environment({}))
                if attempt + 1 == RUN_ATTEMPTS:
                    raise

    try:
        triplet()  # warm-up: the page cache and Wine's own files
        bare, ours, theirs, started = zip(*[triplet() for _ in range(args.pairs)])
    except (RuntimeError, subprocess.TimeoutExpired) as error:
        give_up(str(error))
    finally:
        subprocess.run([flavour.server, "-k"], env=flavour.environment({}))
    ratios = [(o - b) / (t - b) for b, o, t in zip(bare, ours, theirs)]
    log(f"  Wine start-up {statistics.median(bare):.3f} s; launcher to setup start {statistics.median(ours):.3f} s;"
        f" reference decode {statistics.median(theirs):.3f} s (medians of {args.pairs})")
    # Not the figure, its explanation: the same ratio without the one
    # process start that only the launcher's time holds.
    starts = [s - b for b, s in zip(bare, started)]
    without = [(o - b - c) / (t - b) for b, o, t, c in zip(bare, ours, theirs, starts)]
    log(f"  one process start inside Wine {statistics.median(starts):.3f} s; the ratio without it"
        f" {statistics.median(without):.3f}")
    print(f"exe_wine_64mib: {statistics.median(ratios):.3f}")


if __name__ == "__main__":
    main()
