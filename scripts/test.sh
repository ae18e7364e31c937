#!/usr/bin/env bash
# Runs the whole test suite of an existing build (./scripts/setup.sh builds it).
set -euo pipefail
cd "$(dirname "$0")/.."
ctest --test-dir build --output-on-failure -j"$(nproc)" "$@"
