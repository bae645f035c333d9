#!/usr/bin/env bash
# tools/guest-run, end to end: the command's output, exit status and writes come back from the
# emulated machine, a 32-bit program runs there, a work folder under /tmp (where the guest has a
# /tmp of its own) works as any other, and a machine that never reports ends in 125 with a
# message. Skipped (77) where QEMU or a kernel is missing.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
command -v qemu-system-x86_64 >/dev/null && ls /boot/vmlinuz-* >/dev/null 2>&1 || exit 77
scratch=$(mktemp -d /tmp/guest-run-test.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
failures=0
expect() { [[ $2 == "$3" ]] || { echo "FAIL: $1: expected [$3], got [$2]"; failures=$((failures + 1)); }; }

output=$("$root/tools/guest-run" --timeout 300 --work "$scratch" -- bash -c \
  'echo "in $PWD"; echo written >file; /usr/lib/wine/wine --version >/dev/null && echo ran32; exit 7' 2>&1)
expect "exit status" "$?" 7
expect "output" "$output" "in $scratch
ran32"
expect "write in the work folder" "$(cat file 2>/dev/null)" written

cd "$root"  # the default work folder: the project
output=$("$root/tools/guest-run" --timeout 20 -- sleep 600 2>&1)
expect "status without a report" "$?" 125
[[ $output == *"did not finish within 20 s"* ]] || { echo "FAIL: no time-limit message: $output"; failures=$((failures + 1)); }

((failures == 0)) && echo "guest-run: all checks passed"
exit $((failures > 0))
