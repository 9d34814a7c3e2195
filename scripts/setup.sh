#!/usr/bin/env bash
# Installs the Debian packages that building (and, with --test, testing) needs; does nothing
# when they are all there already.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins libxcb1-dev libgl-dev
    libx11-dev libxss-dev
    libuemf-dev libjpeg62-turbo-dev libgif-dev libgdk-pixbuf-2.0-dev
    libavif-dev libheif-dev qt6-image-formats-plugins
    fonts-dejavu-core fonts-dejavu-extra fonts-liberation fonts-crosextra-carlito
    fonts-crosextra-caladea
    imagemagick librsvg2-bin pandoc
    # Colour management
    liblcms2-dev icc-profiles-free colord-data
)
if [[ "${1:-}" == "--test" ]]; then
    packages+=(
        clang clang-format libclang-rt-14-dev xvfb openbox xdotool x11-utils xclip
        libjpeg-turbo-progs feh dpkg-dev lintian desktop-file-utils appstream file strace
        dbus python3-dbus python3-gi libxfixes-dev
    )
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    if [[ $(id -u) -ne 0 ]]; then
        sudo=sudo
    else
        sudo=
    fi
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
