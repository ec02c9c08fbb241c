#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite: a plain
# build, the Windows build under Wine, an AddressSanitizer+
# UndefinedBehaviorSanitizer build, a ThreadSanitizer build of the core, and
# a short run of each fuzzer.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
JOBS="$(nproc)"
export QT_QPA_PLATFORM=offscreen
# Each phase's wall time, so a slow one shows in CI's log.
started=$(date +%s)
mark=$started
phase() {
  now=$(date +%s)
  echo "-- phase: $1 took $((now - mark)) s ($((now - started)) s so far)"
  mark=$now
}
# The trees built only to run the tests (Windows, the sanitizers) merge each
# target's sources (unity build) and precompile the tests' headers; the
# sanitizer trees link with lld. The plain tree is built file by file, so a
# missing include still fails it, and it is the one packaged.
QUICK="-DCMAKE_UNITY_BUILD=ON -DPELKO_PRECOMPILE_TEST_HEADERS=ON"
LLD="-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld"

cmake -G Ninja -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELKO_BUILD_BENCH=ON
cmake --build build/test -j "$JOBS"
phase "plain build"
ctest --test-dir build/test --output-on-failure -j "$JOBS"
# The Debian package, installed and removed: needs root (CI runs as root).
if [ "$(id -u)" -eq 0 ]; then
  ./scripts/package-check.sh build/test
else
  echo "package checks skipped: they install a package (sudo ./scripts/package-check.sh build/test)"
fi
phase "plain tests and package"

# Windows: cross-built with MinGW-w64, run under Wine against the Linux
# simulator and the Linux pelkoctl built above.
cmake -G Ninja -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELKO_BUILD_BENCH=ON $QUICK
cmake --build build/win -j "$JOBS"
phase "Windows build"
./scripts/wine-check.sh build/win build/test
phase "Windows checks under Wine"

# The sanitizer runs look for memory and thread faults, not for rare seeds:
# the fault matrices take half the plain run's seeds there. They are built
# at -O1 (still Debug: asserts on), as the sanitizers' makers advise: the
# matrices, bound by the CPU there, run faster than at -O0.
cmake -G Ninja -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DPELKO_SANITIZE="address;undefined" \
  -DCMAKE_CXX_FLAGS=-O1 $QUICK $LLD
cmake --build build/asan -j "$JOBS"
phase "ASan+UBSan build"
PELKO_FAULT_SEEDS=10 ctest --test-dir build/asan --output-on-failure -j "$JOBS"
phase "ASan+UBSan tests"

cmake -G Ninja -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DPELKO_SANITIZE=thread -DPELKO_BUILD_GUI=OFF \
  -DCMAKE_CXX_FLAGS=-O1 $QUICK $LLD
cmake --build build/tsan -j "$JOBS"
phase "TSan build"
PELKO_FAULT_SEEDS=10 TSAN_OPTIONS="halt_on_error=1" ctest --test-dir build/tsan --output-on-failure -j "$JOBS"
phase "TSan tests"

CXX=clang++ cmake -G Ninja -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELKO_BUILD_FUZZ=ON -DPELKO_BUILD_GUI=OFF -DPELKO_BUILD_TESTS=OFF
cmake --build build/fuzz -j "$JOBS" --target fuzzers
phase "fuzz build"
./scripts/fuzz-short.sh build/fuzz
phase "fuzzing"
echo "all tests passed"
