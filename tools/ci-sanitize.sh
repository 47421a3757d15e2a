#!/usr/bin/env bash
# Builds the sanitize preset (AddressSanitizer and UndefinedBehaviorSanitizer) and runs the
# whole test suite under it: the first error stops the test that made it, and the leak checker
# reports every block of memory a test program leaves behind.
set -euo pipefail
cd "$(dirname "$0")/.."
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# The font library behind a picture's text keeps its configuration to the end of the process.
export LSAN_OPTIONS=exitcode=23:print_suppressions=0:suppressions=$PWD/tools/lsan.supp
cmake --preset sanitize
cmake --build --preset sanitize -j2
ctest --preset sanitize -j2
