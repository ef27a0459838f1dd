#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Does nothing when everything is there; uses sudo when not run as root.
set -euo pipefail

packages=(
    cmake make g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-translations-l10n
    libjpeg62-turbo-dev libeigen3-dev
    libudev-dev udev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth fonts-dejavu-core locales
    poppler-utils
    shared-mime-info xdg-utils libfile-mimeinfo-perl
)

# With --packaging also the tools that build and check the Debian package
# (make package and its checks in make test; CI installs them).
if [ "${1:-}" = "--packaging" ]; then
    packages+=(dpkg-dev debhelper libjpeg-dev lintian devscripts appstream desktop-file-utils
               shared-mime-info)
fi

# With --orca also the screen reader and what its tour needs (make orca-tour):
# its own display, session bus, window manager and keyboard.
if [ "${1:-}" = "--orca" ]; then
    packages+=(orca speech-dispatcher at-spi2-core dbus-daemon openbox xdotool)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests run under German so that the decimal comma shows.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    "${sudo[@]}" sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
    "${sudo[@]}" locale-gen >/dev/null
fi
