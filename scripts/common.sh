# Shared by scripts/run and scripts/test: installs what is missing and builds.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-$(nproc 2>/dev/null || echo 2)}"

PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libqt6sql6-sqlite qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev
    libx11-dev fonts-noto-core qt6-translations-l10n libzint-dev
    xvfb xauth x11-xkb-utils poppler-utils
    clang libclang-rt-14-dev
)

ensure_packages() {
    local missing=()
    local pkg
    for pkg in "${PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# The fuzz targets: a clang build of their own with libFuzzer and the sanitizers.
build_fuzz() {
    build build-fuzz -DVELMORA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ "$@"
}

# build DIR [extra cmake arguments...]
build() {
    local dir="$1"
    shift
    cmake -S "$ROOT" -B "$ROOT/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$ROOT/$dir" -j "$JOBS"
}
