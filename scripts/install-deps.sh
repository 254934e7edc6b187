#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Parlance need, only
# when some are missing. Needs root (or sudo) only when it has something to install.
set -euo pipefail

packages=(
  cmake g++ make pkg-config git
  qt6-base-dev qt6-base-private-dev qt6-multimedia-dev libqt6multimedia6 qt6-qpa-plugins libgl-dev
  libespeak-ng-dev espeak-ng espeak-ng-data
  flite1-dev flite
  festival-dev libestools-dev festival festvox-us-slt-hts
  libsndfile1-dev libopusenc-dev libogg-dev libmp3lame-dev libsqlite3-dev libspeechd-dev
  libatspi2.0-dev at-spi2-core
  libpoppler-qt6-dev libzip-dev
  libgtest-dev libgmock-dev googletest
  pulseaudio pulseaudio-utils gstreamer1.0-plugins-base
  hicolor-icon-theme adwaita-icon-theme
  dpkg-dev
)
if [ "${1:-}" = "--test" ]; then
  packages+=(xvfb xauth x11-utils xdotool xclip trayer dbus-x11 zenity sox imagemagick openbox
             libreoffice-writer-nogui pandoc poppler-utils epubcheck ffmpeg python3-reportlab speech-dispatcher
             speech-dispatcher-espeak-ng festvox-kallpc16k lintian desktop-file-utils appstream python3-pyatspi
             python3-gi gir1.2-glib-2.0 qt6-wayland weston xwayland sway waybar wl-clipboard
             playerctl libglib2.0-bin devscripts)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
