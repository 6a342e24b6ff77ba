#!/usr/bin/env bash
# Builds and runs the benchmarks; extra arguments go to every benchmark program.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# A build folder of its own, so that the benchmarks are optimised without
# turning the everyday build into a release build.
BUILD_DIR="${KIRO_BENCH_BUILD_DIR:-$ROOT/build-release}"
KIRO_BUILD_TYPE=Release KIRO_BUILD_DIR="$BUILD_DIR" "$ROOT/scripts/setup.sh"
for b in "$BUILD_DIR"/bench/kiro_bench_*; do
    [[ -x "$b" ]] || continue
    echo "== $(basename "$b")"
    "$b" "$@"
done
