#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the benchmarks and the Debian package need;
# does nothing when all of them are present. With --bench also those that only benchmarks use,
# which the tests and CI do without.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config clang-format
    qt6-base-dev libqt6sql6-sqlite libsqlite3-dev sqlite3 libgl-dev
    libblkid-dev libudev-dev libglib2.0-dev
    zip unzip findutils desktop-file-utils
    libarchive-dev libarchive-tools p7zip-full jlha-utils gcab
    genisoimage libudfread-dev fuseiso xvfb xauth x11-utils valgrind
    dpkg-dev file lintian appstream
    libpq-dev libqt6sql6-psql postgresql postgresql-common
)

if [ "${1:-}" = --bench ]; then
    packages+=(chromium linux-perf)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
