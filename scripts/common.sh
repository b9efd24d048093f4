# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by scripts/run and scripts/test: installs what is missing and builds.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-$(nproc 2>/dev/null || echo 2)}"

# Debian 12's qt6-charts-dev needs libqt6opengl6-dev for its CMake files but does not depend on it.
PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite libqt6sql6-psql
    qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev
    libpq-dev libx11-dev fonts-noto-core qt6-translations-l10n libzint-dev mdbtools-dev libzstd-dev
    xvfb xauth x11-xkb-utils poppler-utils postgresql desktop-file-utils appstream
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
    # ccache, where the machine has it, makes a build after a small change take seconds.
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$ROOT" -B "$ROOT/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
    cmake --build "$ROOT/$dir" -j "$JOBS"
}

# A throwaway PostgreSQL server for the tests: its own folder, reached only through a Unix socket
# there, fsync off (nothing in it outlives the run). PostgreSQL refuses to run as root, so as root
# it runs as nobody. Sets TEST_PG_DIR and exports VELMORA_TEST_PG_URL.
start_test_server() {
    local bin
    bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
    [ -x "$bin/initdb" ] || { echo "PostgreSQL is not installed"; return 1; }
    TEST_PG_DIR="$(mktemp -d /tmp/velmora-pg.XXXXXX)"
    local as=()
    if [ "$(id -u)" -eq 0 ]; then
        chown nobody "$TEST_PG_DIR"
        as=(runuser -u nobody --)
    fi
    "${as[@]}" "$bin/initdb" -D "$TEST_PG_DIR/data" -A trust -U velmora -E UTF8 --locale=C.UTF-8 --no-sync \
        >"$TEST_PG_DIR/initdb.log" 2>&1 || { cat "$TEST_PG_DIR/initdb.log"; return 1; }
    # -w waits until the server accepts connections, so no test meets a server still starting.
    "${as[@]}" "$bin/pg_ctl" -D "$TEST_PG_DIR/data" -l "$TEST_PG_DIR/server.log" -w -t 60 \
        -o "-k $TEST_PG_DIR -c listen_addresses= -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
        start >/dev/null || { cat "$TEST_PG_DIR/server.log"; return 1; }
    export VELMORA_TEST_PG_URL="postgresql://velmora@localhost/postgres?host=$TEST_PG_DIR"
}

stop_test_server() {
    [ -n "${TEST_PG_DIR:-}" ] || return 0
    local bin as=()
    bin="$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)"
    [ "$(id -u)" -eq 0 ] && as=(runuser -u nobody --)
    "${as[@]}" "$bin/pg_ctl" -D "$TEST_PG_DIR/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$TEST_PG_DIR"
    TEST_PG_DIR=""
}
