#!/usr/bin/env bash
# Installs, as root on Debian 12, every package the build, the program and
# the tests need. Does nothing for what is already installed.
set -euo pipefail

# fonts-wine: Wine's own "MS Sans Serif" and Tahoma, so windows are drawn in
# the fonts they ask for rather than a wider substitute. x11-apps (xwd) and
# imagemagick (convert): the README's picture of the Xvfb screen.
packages=(
  cmake make g++ libgtest-dev libgmock-dev
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-win32
  wine wine32:i386 wine64 fonts-wine xvfb xdotool x11-utils x11-apps imagemagick locales procps python3
  wixl msitools zip unzip
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: run as root to install: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# French locale, so Wine's own buttons read "Oui"/"Non" as on the target systems.
if ! locale -a 2>/dev/null | grep -qi '^fr_FR\.utf-\?8$'; then
  sed -i 's/^# *\(fr_FR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^fr_FR.UTF-8 UTF-8' /etc/locale.gen || echo 'fr_FR.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
