#!/usr/bin/env bash
# Sets everything up and runs the whole test suite.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${KIRO_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup.sh"

cd "$BUILD_DIR"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" "$@"
