# Installs the Debian packages that are missing. Sourced by the run and test
# commands.
#
# A package archive is sometimes caught mid-sync: one index (say, the
# security archive for i386) fails to download while the rest are fine.
# That stops nothing here: the failure is said in one line and what can be
# installed is installed. A package the caller needs and that cannot be
# installed still fails, with its name; one it can do without
# (install_optional) is named and left out.

# The packages among the arguments that are not installed.
missing_packages() {
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || echo "$package"
    done
}

apt_as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The package lists are read once per run, whatever failed in them.
apt_lists_read=""
read_package_lists() {
    [ -n "$apt_lists_read" ] && return 0
    apt_lists_read=1
    local log
    log=$(mktemp)
    if ! apt_as_root apt-get update -qq >"$log" 2>&1; then
        echo "apt-get update failed for some package indexes; going on with the lists it could read:" \
            "$(grep -m1 '^E:' "$log" || tail -n1 "$log")"
    fi
    rm -f "$log"
}

# apt_install PACKAGE...: installs them together; says nothing on success.
apt_install() {
    DEBIAN_FRONTEND=noninteractive apt_as_root apt-get install -y -qq --no-install-recommends "$@"
}

# install_missing PACKAGE...: every one is needed. When they cannot be
# installed together, each is tried alone, and those that still fail are
# named; the result is then non-zero.
install_missing() {
    local missing
    mapfile -t missing < <(missing_packages "$@")
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing Debian packages: ${missing[*]}"
    read_package_lists
    apt_install "${missing[@]}" && return 0
    local package failed=()
    for package in "${missing[@]}"; do
        apt_install "$package" >/dev/null 2>&1 || failed+=("$package")
    done
    [ ${#failed[@]} -eq 0 ] && return 0
    echo "cannot install the Debian packages ${failed[*]}, which are needed"
    return 1
}

# install_optional WHAT PACKAGE...: packages that only go together (WHAT
# says what they are for); when they cannot be installed, that is said and
# the caller goes on without them.
install_optional() {
    local what=$1 missing
    shift
    mapfile -t missing < <(missing_packages "$@")
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing Debian packages for $what: ${missing[*]}"
    read_package_lists
    local log
    log=$(mktemp)
    if ! apt_install "${missing[@]}" >"$log" 2>&1; then
        echo "cannot install the Debian packages for $what (${missing[*]}); going on without them:" \
            "$(grep -m1 '^E:' "$log" || tail -n1 "$log")"
    fi
    rm -f "$log"
    return 0
}

# What every build needs.
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libbenchmark-dev
                libsdl2-dev libsdl2-image-dev libx11-dev libwayland-dev libcairo2-dev libpng-dev libgif-dev)
