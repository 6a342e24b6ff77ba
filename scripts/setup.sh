#!/usr/bin/env bash
# Installs what the build needs (Debian packages, only the missing ones),
# configures and builds KIRO with its runtime tree in build/bin.
# Safe to run again: a machine that has everything skips straight to an
# incremental build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${KIRO_BUILD_DIR:-$ROOT/build}"

PACKAGES=(
    build-essential cmake ninja-build ccache pkg-config
    qt6-base-dev qt6-pdf-dev libgl-dev
    libsqlite3-dev sqlite3
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    xvfb xauth
    libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui libreoffice-draw-nogui
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    SUDO=""
    if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

GENERATOR=()
if [[ ! -f "$BUILD_DIR/CMakeCache.txt" ]]; then
    GENERATOR=(-G Ninja)
fi
cmake -S "$ROOT" -B "$BUILD_DIR" "${GENERATOR[@]}" -DCMAKE_BUILD_TYPE="${KIRO_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
