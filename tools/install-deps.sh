#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and testing need on Debian 12, if anything is missing.
# Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-private-dev libwayland-dev libpulse-dev libjpeg62-turbo-dev libfontconfig-dev fonts-dejavu-core libgl-dev
          xvfb xdotool x11-utils libx11-dev libxtst-dev libxdamage-dev)
# The sounds: their check (python3), and a sound server with a recorder for the real-X scenarios
# that listen to what the games play.
packages+=(python3 pulseaudio pulseaudio-utils)
# The same scenarios on PipeWire, the sound server of current GNOME and KDE desktops, with its
# PulseAudio front and a private D-Bus session.
packages+=(pipewire wireplumber pipewire-pulse dbus)
# The menu entries' validators, and what the Debian package is built and checked with.
packages+=(desktop-file-utils appstream dpkg-dev python3-debian)
# The desktop scenarios: a headless Wayland compositor with Qt's Wayland platform, and a window
# manager on the real X server.
packages+=(weston qt6-wayland openbox)
# The benchmark's reference for making cards from photos: djpeg.
packages+=(libjpeg-turbo-progs)
# GNOME under Wayland for its scenario: the shell headless, with private session buses.
packages+=(gnome-shell dbus-daemon libglib2.0-bin)
# The fuzz targets: clang and its libFuzzer runtime.
packages+=(clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
# sudo resets the environment, so the setting goes through env on the far side of it.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
