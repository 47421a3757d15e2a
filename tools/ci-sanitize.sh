#!/usr/bin/env bash
# Builds the sanitize preset (AddressSanitizer and UndefinedBehaviorSanitizer) and runs the
# whole test suite under it: the first error stops the test that made it, and the leak checker
# reports every block of memory a test program leaves behind.
set -euo pipefail
cd "$(dirname "$0")/.."
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=exitcode=23
cmake --preset sanitize
cmake --build --preset sanitize -j2
ctest --preset sanitize -j2
