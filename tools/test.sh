#!/usr/bin/env bash
# Builds everything and runs every test: native, sanitizers, and both Windows trees (the i686
# release and its x86_64 twin) on the Wine bench.
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$repo/build
cd "$repo"
start=$(date +%s)

bash tools/build-all.sh || exit 1

failed=()
skipped=()
run_suite() {
  local name=$1
  shift
  printf '\n== Tests: %s\n' "$name"
  "$@" || failed+=("$name")
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_suite "native" ctest --test-dir "$build/native" --output-on-failure -j2
run_suite "native, AddressSanitizer + UndefinedBehaviorSanitizer" \
  ctest --test-dir "$build/native-sanitize" --output-on-failure -j2

# down undoes whatever up did, also when up failed half-way.
trap 'bash "$repo/tools/winebench.sh" down' EXIT
bash tools/winebench.sh up || exit 1
# The i686 release runs in Wine's WoW64 mode, which needs a kernel that runs 32-bit code inside a
# 64-bit process. Where the bench cannot, only its DLLs' tables are checked, and the run says so.
if i686=$(bash tools/runs-32-bit-code.sh); then
  run_suite "Windows i686 (the release) under Wine's WoW64 mode" \
    ctest --test-dir "$build/x86" --output-on-failure -j2 --timeout 300
else
  skipped+=("Windows i686 suite and benchmarks: $i686")
  printf '\n== SKIPPED: the Windows i686 suite: %s\n' "$i686"
  run_suite "Windows i686 (the release): its DLLs' export and import tables only" \
    ctest --test-dir "$build/x86/tests/binary" --output-on-failure
fi
run_suite "Windows x86_64 under Wine" ctest --test-dir "$build/x64" --output-on-failure -j2 --timeout 300
run_suite "benchmarks (figures only)" bash tools/bench.sh

printf '\n== Summary (%ss)\n' $(($(date +%s) - start))
[ ${#skipped[@]} -gt 0 ] && printf 'SKIPPED: %s\n' "${skipped[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "all test suites passed"
