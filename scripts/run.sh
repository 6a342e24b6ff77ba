#!/usr/bin/env bash
# Sets everything up and starts KIRO on the shipped demonstration data.
# KIRO writes its settings (KIRO.INI) into the start directory; that is a
# workspace folder under the build directory, never a tracked file.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${KIRO_BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup.sh"

WORKSPACE="${KIRO_WORKSPACE:-$BUILD_DIR/workspace}"
mkdir -p "$WORKSPACE"
cd "$WORKSPACE"

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display found. To start KIRO without one, run it under a virtual X server:"
    echo "    xvfb-run -a -s '-screen 0 1280x1024x24' $0"
    exit 1
fi
exec "$BUILD_DIR/bin/kiro" "$@"
