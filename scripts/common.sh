# Shared by scripts/run and scripts/test: installs what is missing from
# Debian's packages and builds Kestrel with CMake and Ninja.
set -euo pipefail

KESTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export KESTREL_ROOT

# Everything the build, the tests, the benchmarks and the Debian package
# (dpkg-shlibdeps, lintian, man) need (Qt SVG writes kestrel-gen plot's SVG
# pictures); the tests read the exports back with LIRC's irsimreceive,
# Python's json, csv, yaml and tomllib modules, xmllint (libxml2-utils),
# ir-keytable and ir-ctl (v4l-utils).
KESTREL_PACKAGES=(
    g++ clang libclang-rt-14-dev cmake ninja-build pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-svg-dev fonts-liberation fonts-dejavu-core
    dpkg-dev file lintian man-db
    lirc python3
    python3-yaml libxml2-utils ir-keytable v4l-utils
)

kestrel_install_packages() {
    local missing=()
    for package in "${KESTREL_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -qq
    # lirc's package starts its daemon as it is installed, and fails when that
    # fails; only its tools are used here, so while it is installed a policy
    # denies every service start, and its units are not left enabled.
    local policy=/usr/sbin/policy-rc.d our_policy=0 status=0
    if [[ " ${missing[*]} " == *" lirc "* && ! -e $policy ]]; then
        printf '#!/bin/sh\nexit 101\n' | "${sudo[@]}" tee "$policy" >/dev/null
        "${sudo[@]}" chmod 755 "$policy"
        our_policy=1
    fi
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" || status=$?
    if [ "$our_policy" = 1 ]; then
        "${sudo[@]}" rm -f "$policy"
        if [ -d /run/systemd/system ]; then
            "${sudo[@]}" systemctl disable --quiet lircd.socket lircd.service 2>/dev/null || true
        fi
    fi
    return "$status"
}

# kestrel_build DIR [CMAKE OPTIONS...]
kestrel_build() {
    local dir=$1
    shift
    cmake -S "$KESTREL_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir"
}
