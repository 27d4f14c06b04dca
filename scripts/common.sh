# Shared by run.sh and test.sh: install the Debian packages the build needs, then configure and
# build into build/. Safe to run again: it installs only what is missing.

TARNVIEW_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgdal-dev gdal-bin libwebp-dev libcli11-dev nlohmann-json3-dev
    python3-gdal python3-numpy python3-rasterio
    python3-jsonschema
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    fonts-wqy-microhei qt6-translations-l10n xvfb xauth
    libxcb1-dev openbox xdotool wmctrl x11-utils
    librsvg2-bin desktop-file-utils appstream shared-mime-info xdg-utils
    libfile-mimeinfo-perl
)

tarnview_install_packages() {
    local missing=()
    local package
    for package in "${TARNVIEW_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# tarnview_build DIR [cmake options...]
tarnview_build() {
    local dir="$1"
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNVIEW_BUILD_GUI=ON "$@" \
        >/dev/null
    cmake --build "$dir"
}
