#!/usr/bin/env bash
# Runs the firmware update example against the simulated bench: in build/firmware-update a copy
# of the programmer with examples/firmware-update beside it and quorvexens.410 packed from its
# S-records, the programmer headless with its update and status lines on the terminal, then
# its exit code.
#   firmware-update-demo.sh [build folder]    default: build
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
demo=$build/firmware-update

rm -rf "$demo"
mkdir -p "$demo/run"
cp "$root"/examples/firmware-update/* "$build/bin/CQUILLHCS08" "$build/bin/CQLLVIDM.DEF" "$build/bin/CQLLSTD.DSK" "$demo/"
cd "$demo" || exit 1
"$build/bin/fwfile_pack" firmware.s19 . quorvexens 4.10 || exit 1

# Simulated interfaces only, and no port scan: nothing leaves this machine.
VX_SIM=bench.ini VX_HEADLESS=1 VX_RUNTIME_DIR="$demo/run" VX_REGISTRY_FILE="$demo/registry.ini" \
  ./CQUILLHCS08 NOSCAN PORT=1 update.cfg
result=$?
echo
echo "Exit code: $result"
exit $result
