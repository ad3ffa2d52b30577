#!/usr/bin/env bash
# `make bench`: builds the benchmark programs beside the host build, builds
# the inputs under build/bench (payloads cut from this machine's own system
# binaries, packages of them; nothing is committed), and prints the figures
# of the performance goals last, one `name: value` line each.
#
# Environment: BENCH_PAIRS (default 7, at least 5), the interleaved pairs
# behind each median. Needs dist/tarnwick-pack (make host builds it).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
work="$root/build/bench"
pairs="${BENCH_PAIRS:-7}"
pack="$root/dist/tarnwick-pack"
jobs="$(nproc)"
[ "$jobs" -gt 2 ] && jobs=2

cmake -S "$root/bench" -B "$work/programs" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/programs" -j "$jobs" >/dev/null
[ -x "$pack" ] || { echo "bench: $pack is missing; run make host first" >&2; exit 1; }

wine_args=()
if [ -x "$root/bench/wine/exe-wine.sh" ]; then
  wine_args=(--wine "$root/bench/wine/exe-wine.sh")
fi

exec python3 "$root/bench/run.py" --work "$work" --pack "$pack" --bench "$work/programs/launcher_bench" \
  --pairs "$pairs" "${wine_args[@]}"
