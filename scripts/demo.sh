#!/usr/bin/env bash
# Installs what is missing, builds, and runs the demo on the embedded sample.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./build/bin/tinhost demo "${1:-demo-output}"
