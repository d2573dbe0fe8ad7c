#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# only those that are missing. Run as root or with sudo available.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-image-formats-plugins qt6-translations-l10n
    qt6-tools-dev qt6-tools-dev-tools qt6-documentation-tools libqt6help6 libqt6sql6-sqlite
    libpoppler-qt6-dev
    libsqlite3-dev libsqlitecpp-dev sqlite3
    libturbojpeg0-dev
    # very large JPEG sheets written a row at a time by the tests and benchmarks
    libjpeg62-turbo-dev
    # datums and projections (PROJ, with its database), tiles (GDAL)
    libproj-dev proj-data libgdal-dev
    # atlases on a PostgreSQL server (libpq), and the throwaway server of the tests
    libpq-dev postgresql
    fonts-liberation fontconfig
    # the tests: independent readers of the GIS exports and PROJ's own figures,
    # the Debian package check
    gdal-bin proj-bin gpsbabel dpkg-dev desktop-file-utils lintian unzip
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
