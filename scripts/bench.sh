#!/usr/bin/env bash
# `make bench`: builds the benchmark programs beside the host build, builds
# the inputs under build/bench (payloads cut from this machine's own system
# binaries, packages of them; nothing is committed), and prints the figures
# of the performance goals last, one `name: value` line each.
#
# Environment: BENCH_PAIRS (default 7, at least 5), the interleaved pairs
# behind each median; BENCH_PACK, the tarnwick-pack to time (default
# dist/tarnwick-pack, which make host builds); TARNWICK_BENCH_LAUNCHER, the
# launcher for the Wine figure (default dist/launcher.exe, or its 64-bit
# twin from the Windows build where this kernel runs no 32-bit code).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
work="$root/build/bench"
pairs="${BENCH_PAIRS:-7}"
pack="${BENCH_PACK:-$root/dist/tarnwick-pack}"
jobs="$(nproc)"
[ "$jobs" -gt 2 ] && jobs=2

cmake -S "$root/bench" -B "$work/programs" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/programs" -j "$jobs" >/dev/null
[ -x "$pack" ] || { echo "bench: $pack is missing; run make host first" >&2; exit 1; }

wine_args=()
if [ -f "$root/bench/wine/exe_wine.py" ]; then
  wine_args=(--wine "$root/bench/wine/exe_wine.py")
fi

exec python3 "$root/bench/run.py" --work "$work" --pack "$pack" --bench "$work/programs/launcher_bench" \
  --pairs "$pairs" "${wine_args[@]}"
