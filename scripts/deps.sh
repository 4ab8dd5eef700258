#!/usr/bin/env bash
# deps.sh run|test: installs the Debian packages the build needs (as root),
# or prints the apt-get line to run (otherwise).
set -euo pipefail

packages=(cmake g++ make libfltk1.3-dev libx11-dev libpng-dev libmodbus-dev nlohmann-json3-dev xvfb xauth xdotool)
if [ "${1:-run}" = test ]; then
  packages+=(ccache googletest libgtest-dev qpdf poppler-utils ghostscript libxml2-utils pkg-config dpkg-dev file python3
    gtkwave mbpoll python3-pymodbus python3-serial-asyncio help2man pandoc lintian man-db
    chromium chromium-driver python3-selenium)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  echo "missing packages; run as root:"
  echo "  apt-get install -y ${missing[*]}"
  exit 1
fi
