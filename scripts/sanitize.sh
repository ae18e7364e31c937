#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer (LeakSanitizer on) and
# UndefinedBehaviorSanitizer into build-asan and runs it there.  Any finding
# stops the test that made it, so ctest fails.
#   scripts/sanitize.sh [extra ctest arguments]
# CC / CXX choose the compiler (gcc by default).
set -euo pipefail
cd "$(dirname "$0")/.."

FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTIN_WERROR=OFF \
      -DCMAKE_C_COMPILER="${CC:-gcc}" -DCMAKE_CXX_COMPILER="${CXX:-g++}" \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_CXX_FLAGS="$FLAGS" \
      -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
      -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
      -DCMAKE_MODULE_LINKER_FLAGS="-fsanitize=address,undefined" \
      -DTIN_BUILD_PYTHON=OFF >/dev/null
cmake --build build-asan -j"$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="report_objects=1:suppressions=$PWD/scripts/lsan.supp"
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" --timeout 1500 "$@"
