#!/usr/bin/env bash
# Builds the tool and runs it on the embedded demo account: the window when there is a display,
# otherwise the whole job through the command line.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/ensure-packages.sh --runtime
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)"
build/bin/q9taxrate-cli --version
