# Shared by run.sh and test.sh: install the Debian packages the build needs, then configure one of
# CMakePresets.json's presets and build it. Safe to run again: it installs only what is missing.

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
    help2man lintian nginx-light python3-distributed
)
# The S3-compatible test server runs on Node.js. A machine may already have a Node.js with npm
# from elsewhere, which Debian's npm package conflicts with: Debian's are installed only when
# there is no npm at all.
if ! command -v npm >/dev/null 2>&1; then
    TARNVIEW_PACKAGES+=(nodejs npm)
fi

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

# tarnview_configure PRESET [cmake options...]: configures one of CMakePresets.json's presets
# (default, asan, tsan, release, fuzz, deb) into its folder (build/, build-asan/, ...).
tarnview_configure() {
    cmake --preset "$@" >/dev/null
}

# tarnview_build PRESET [cmake options...]: configures the preset, then builds all of it. "build"
# is the default preset, as the folder it builds into.
tarnview_build() {
    local preset="$1"
    shift
    [ "$preset" = build ] && preset=default
    tarnview_configure "$preset" "$@"
    cmake --build --preset "$preset"
}
