#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Korvel need.
# Only packages that are missing are installed, so a prepared machine pays nothing.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ clang libclang-rt-14-dev
    qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-qpa-plugins libgl-dev
    # the icon's sizes are drawn from its SVG at build time
    qt6-svg-dev
    zlib1g-dev libssl-dev libgtest-dev libgmock-dev
    # help: chmcmd compiles the help topics, chmlib reads them back in the help window
    fp-utils libchm-dev
    # peers that judge our output in the tests
    zip unzip p7zip-full libarchive-tools python3 rsync
    # the parallel gzip the archive benchmark compares its threads with
    pigz
    # judges of the desktop shortcuts: the validator, and GLib's launcher (gio)
    desktop-file-utils libglib2.0-bin
    # the Debian package: dpkg-shlibdeps finds its dependencies, appstreamcli judges its metadata
    dpkg-dev appstream
    # the scheduler that starts scheduled backups
    cron
    # a session bus of its own for the test of the desktop notifications
    dbus-daemon
    # the Windows build: the cross compiler, zlib and GoogleTest for it, and Wine to run its tests
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine wine64
    # screenshots of the windows
    xvfb xauth x11-apps x11-utils imagemagick procps fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
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
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
