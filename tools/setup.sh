#!/usr/bin/env bash
# Installs whatever the build, the game and the tests need on a Debian machine.
# Only packages that are missing are installed; nothing happens when all are there.
# "setup.sh deb" also installs what building and checking the Debian package needs.
set -euo pipefail
need=(liballegro4-dev cmake g++ make pkg-config libgtest-dev xvfb xdotool imagemagick x11-utils clang python3-xlib
      libpng-dev desktop-file-utils appstream libenet-dev tiled)
if [ "${1:-}" = deb ]; then
    need+=(debhelper dpkg-dev fakeroot lintian)
fi
missing=()
for p in "${need[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null; then
    SUDO="sudo"
else
    echo "Missing packages (${missing[*]}) and no sudo to install them: run as root." >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq || true
$SUDO apt-get install -y -qq "${missing[@]}"
