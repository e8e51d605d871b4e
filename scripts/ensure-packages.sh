#!/usr/bin/env bash
# Installs the Debian packages the project needs, when any is missing. Idempotent.
set -euo pipefail

packages=(
    build-essential cmake pkg-config clang clang-format libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-translations-l10n libsqlite3-dev libtcmalloc-minimal4
    unixodbc-dev tdsodbc freetds-bin postgresql odbc-postgresql
    libminizip-dev libexpat1-dev libgsf-1-dev
    fonts-noto-cjk
    libreoffice-calc-nogui gnumeric python3-xlrd python3-xlwt python3-openpyxl
    xvfb xauth time
)
if [[ "${1:-}" == "--runtime" ]]; then
    packages=(build-essential cmake pkg-config qt6-base-dev qt6-translations-l10n libsqlite3-dev
              libtcmalloc-minimal4 unixodbc-dev tdsodbc libminizip-dev libexpat1-dev libgsf-1-dev
              fonts-noto-cjk libgtest-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if ((${#missing[@]} == 0)); then
    exit 0
fi
echo "Installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
