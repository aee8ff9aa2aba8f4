#!/usr/bin/env bash
# Installs every Debian package that the build, the app, the tests and the tools need.
# Non-interactive and idempotent: safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git clang-format clang libclang-rt-14-dev
  qtbase5-dev qtdeclarative5-dev qtquickcontrols2-5-dev qtdeclarative5-dev-tools
  qml-module-qtquick-controls2 qml-module-qtquick-layouts qml-module-qtquick-window2
  qml-module-qtquick2 qml-module-qtgraphicaleffects qml-module-qttest qml-module-qtqml-models2
  qml-module-qt-labs-settings qttools5-dev qttools5-dev-tools libqt5svg5 qt5-image-formats-plugins
  libboost-program-options-dev libboost-filesystem-dev libboost-thread-dev libboost-system-dev
  libboost-dev rapidjson-dev liblog4cplus-dev libzmq3-dev cppzmq-dev
  xvfb xauth x11-apps x11-utils fonts-roboto fonts-noto-core fonts-noto-cjk imagemagick
  desktop-file-utils appstream lintian dpkg-dev librsvg2-bin fontconfig python3 nsis

)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "install-deps: installed ${#missing[@]} packages"
