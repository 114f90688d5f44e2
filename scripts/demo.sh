#!/usr/bin/env bash
# Runs the production example against the simulated bench: a fresh copy of examples/production
# and the algorithm file it chooses in build/demo, the programmer headless, its status lines on
# the terminal, then its exit code (the script's result).
#   demo.sh [build folder]    default: build
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
demo=$build/demo

rm -rf "$demo"
mkdir -p "$demo/run"
cp "$root"/examples/production/* "$root/sim/algorithms/SIM60_PRODUCTION.S8P" "$demo/"
cd "$demo" || exit 1

# Simulated interfaces only, and no port scan: nothing leaves this machine.
VX_SIM=production.ini VX_HEADLESS=1 VX_RUNTIME_DIR="$demo/run" VX_REGISTRY_FILE="$demo/registry.ini" \
  "$build/bin/CQUILLHCS08" NOSCAN production.cfg USB1
result=$?
echo
echo "Exit code: $result"
echo "Serial-number file now: $(cat board.ser)"
exit $result
