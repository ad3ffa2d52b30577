#!/usr/bin/env python3
"""Whole-process figures of `make bench`, and the in-process ones of
launcher_bench, measured as interleaved pairs on this machine.

Builds its inputs under the work folder at run time (nothing is committed):
payloads cut from concatenated system binaries, packages of them, and the
same LZMA streams as .lzma files for xz. Prints one `name: value` line per
figure last.
"""
import argparse
import json
import os
import resource
import shutil
import statistics
import subprocess
import sys
import time

MIB = 1 << 20
PAYLOAD_SIZES_MIB = (1, 16, 64, 256)
SOURCE_FOLDERS = ("/usr/bin", "/usr/lib")
# What users ship: executables and libraries, ELF and PE alike.
BINARY_MAGICS = (b"\x7fELF", b"MZ")
STUB_SIZE = 512
ALONE_SIZE_FIELD = 8


def log(text):
    print(text, file=sys.stderr, flush=True)


def system_binaries():
    for folder in SOURCE_FOLDERS:
        for root, dirs, files in os.walk(folder):
            dirs.sort()
            for name in sorted(files):
                path = os.path.join(root, name)
                if os.path.islink(path) or not os.path.isfile(path):
                    continue
                try:
                    with open(path, "rb") as handle:
                        head = handle.read(4)
                except OSError:
                    continue
                if any(head.startswith(magic) for magic in BINARY_MAGICS):
                    yield path


def make_payloads(work):
    """payload-N.bin for every size: prefixes of one concatenation, so the
    sizes differ in length, not in the kind of data."""
    largest = max(PAYLOAD_SIZES_MIB) * MIB
    paths = {size: os.path.join(work, f"payload-{size}.bin") for size in PAYLOAD_SIZES_MIB}
    if all(os.path.exists(p) and os.path.getsize(p) == size * MIB for size, p in paths.items()):
        return paths
    log(f"building payloads from {', '.join(SOURCE_FOLDERS)}")
    whole = os.path.join(work, "payload-all.tmp")
    written = 0
    with open(whole, "wb") as out:
        for path in system_binaries():
            if written >= largest:
                break
            with open(path, "rb") as handle:
                data = handle.read(largest - written)
            out.write(data)
            written += len(data)
    if written < largest:
        sys.exit(f"bench: only {written} bytes of system binaries found, {largest} needed")
    for size, path in paths.items():
        with open(whole, "rb") as source, open(path, "wb") as out:
            out.write(source.read(size * MIB))
    os.remove(whole)
    return paths


def make_stub(work):
    """A bare image with room for the header: verify reads nothing else."""
    path = os.path.join(work, "stub.exe")
    with open(path, "wb") as out:
        out.write(b"MZ" + bytes(STUB_SIZE - 2))
    return path


def inspect(pack, package):
    output = subprocess.run([pack, "inspect", package, "--json"], check=True, capture_output=True).stdout
    return json.loads(output)


def make_package(pack, stub, payload, package):
    if os.path.exists(package) and os.path.getmtime(package) >= os.path.getmtime(payload):
        return
    log(f"packing {os.path.basename(payload)} (LZMA preset 6)")
    subprocess.run([pack, "build", "--stub", stub, "--setup32", payload, "-o", package], check=True,
                   stdout=subprocess.DEVNULL)


def make_alone_stream(pack, package, alone):
    """The package's own payload as a .lzma file: properties, size, the very
    same packed bytes."""
    info = inspect(pack, package)["config"]
    ref = info["payload32"]
    properties = bytes.fromhex(info["lzmaProperties"].replace(" ", ""))
    with open(package, "rb") as handle:
        handle.seek(ref["offset"])
        packed = handle.read(ref["packedSize"])
    with open(alone, "wb") as out:
        out.write(properties + ref["unpackedSize"].to_bytes(ALONE_SIZE_FIELD, "little") + packed)
    return {"packed": ref["packedSize"], "unpacked": ref["unpackedSize"], "dictionary": info["dictionarySize"]}


def timed_run(command, stdout=subprocess.DEVNULL):
    """CPU seconds (user + system) and peak resident bytes of one child
    process. CPU time, not wall time: the machine is shared with builds, and
    time spent waiting for a core is not the program's."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=stdout, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    stderr = child.stderr.read().decode(errors="replace")
    child.stderr.close()
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit(f"bench: {' '.join(command)} failed ({child.returncode}): {stderr}")
    # ru_maxrss is in KiB on Linux.
    return usage.ru_utime + usage.ru_stime, usage.ru_maxrss * 1024, wall


def interleaved(pairs, first, second):
    """Runs first and second back to back, pairs times; gives both lists."""
    a, b = [], []
    for _ in range(pairs):
        a.append(first())
        b.append(second())
    return a, b


def median_ratio(numerators, denominators):
    return statistics.median(n / d for n, d in zip(numerators, denominators))


def host_figures(args, pack, packages, streams):
    figures = {}
    verify = lambda size: timed_run([pack, "verify", packages[size]])
    xz = lambda size: timed_run(["xz", "--format=lzma", "-dc", streams[size]["alone"]])

    log("verify_vs_xz: 64 MiB, verify against xz -dc")
    ours, theirs = interleaved(args.pairs, lambda: verify(64), lambda: xz(64))
    figures["verify_vs_xz"] = median_ratio([o[0] for o in ours], [t[0] for t in theirs])
    log(f"  CPU: verify {statistics.median(o[0] for o in ours):.3f} s, xz {statistics.median(t[0] for t in theirs):.3f} s;"
        f" wall-time ratio {median_ratio([o[2] for o in ours], [t[2] for t in theirs]):.3f}")

    log("linear_256_vs_16: time per MiB of verify, 256 MiB against 16 MiB")
    large, small = interleaved(args.pairs, lambda: verify(256), lambda: verify(16))
    figures["linear_256_vs_16"] = median_ratio([l[0] / 256 for l in large], [s[0] / 16 for s in small])
    log(f"  CPU: 256 MiB {statistics.median(l[0] for l in large):.3f} s, 16 MiB {statistics.median(s[0] for s in small):.3f} s;"
        f" wall-time ratio {median_ratio([l[2] / 256 for l in large], [s[2] / 16 for s in small]):.3f}")

    stream = streams[256]
    need = stream["packed"] + stream["unpacked"] + max(stream["dictionary"], 4096)
    peak = statistics.median(l[1] for l in large)
    figures["peak_vs_need"] = peak / need
    log(f"  peak resident {peak / MIB:.1f} MiB; packed + unpacked + dictionary {need / MIB:.1f} MiB")

    one = statistics.median(timed_run([pack, "verify", packages[1]])[2] for _ in range(3))
    log(f"  verify of 1 MiB: {one * 1000:.1f} ms")
    return figures


def in_process_figures(args, bench, payloads, packages):
    log("crc_vs_zlib and decode_vs_liblzma: launcher_bench, 64 MiB")
    result = subprocess.run([bench, f"--data={payloads[64]}", f"--package={packages[64]}", f"--pairs={args.pairs}"],
                            check=True, capture_output=True, text=True)
    sys.stderr.write(result.stdout)
    figures = {}
    for line in result.stdout.splitlines():
        name, _, value = line.partition(": ")
        if name in ("crc_vs_zlib", "decode_vs_liblzma"):
            figures[name] = float(value)
    return figures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--work", required=True)
    parser.add_argument("--pack", required=True)
    parser.add_argument("--bench", required=True)
    parser.add_argument("--wine", help="the script that measures exe_wine_64mib; it prints its figure last")
    parser.add_argument("--pairs", type=int, default=7)
    args = parser.parse_args()
    if args.pairs < 5:
        sys.exit("bench: at least five pairs")
    os.makedirs(args.work, exist_ok=True)
    if shutil.which("xz") is None:
        sys.exit("bench: xz is missing (scripts/install-deps.sh installs it)")

    payloads = make_payloads(args.work)
    stub = make_stub(args.work)
    packages, streams = {}, {}
    for size, payload in payloads.items():
        packages[size] = os.path.join(args.work, f"package-{size}.exe")
        make_package(args.pack, stub, payload, packages[size])
        alone = os.path.join(args.work, f"stream-{size}.lzma")
        streams[size] = make_alone_stream(args.pack, packages[size], alone)
        streams[size]["alone"] = alone

    figures = {}
    figures.update(in_process_figures(args, args.bench, payloads, packages))
    figures.update(host_figures(args, args.pack, packages, streams))
    order = ["crc_vs_zlib", "decode_vs_liblzma", "verify_vs_xz", "linear_256_vs_16", "peak_vs_need"]
    wine_line = None
    if args.wine:
        result = subprocess.run([sys.executable, args.wine, "--pack", args.pack, "--payload", payloads[64], "--work",
                                 args.work, "--pairs", str(args.pairs)], capture_output=True, text=True)
        sys.stderr.write(result.stderr)
        lines = [l for l in result.stdout.splitlines() if l.startswith("exe_wine_64mib:")]
        wine_line = lines[-1] if lines else "exe_wine_64mib: not measured (see above)"
    print("pairs per figure: %d (medians of per-pair ratios)" % args.pairs)
    for name in order:
        print(f"{name}: {figures[name]:.3f}")
    print(wine_line or "exe_wine_64mib: not measured (no Windows build)")


if __name__ == "__main__":
    main()
