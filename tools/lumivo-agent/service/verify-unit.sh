#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# systemd-analyze verify on the agent's unit, with ExecStart pointed at the
# built program (the installed path does not exist in a build tree).
#   verify-unit.sh UNIT PROGRAM
set -euo pipefail
unit=$1 program=$2
command -v systemd-analyze >/dev/null || { echo "systemd-analyze absent: skipped"; exit 77; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
sed "s|/usr/bin/lumivo-agent|$program|" "$unit" > "$dir/lumivo-agent.service"
out=$(systemd-analyze verify --man=no "$dir/lumivo-agent.service" 2>&1) || { echo "$out"; exit 1; }
# verify exits 0 on some warnings: any line naming the unit is a finding.
if grep -q "lumivo-agent.service" <<<"$out"; then echo "$out"; exit 1; fi
grep -q '^Type=notify' "$unit" && grep -q '^WatchdogSec=' "$unit" && grep -q '^ProtectSystem=strict' "$unit" \
  && grep -q '^SupplementaryGroups=dialout' "$unit" && grep -q '^StateDirectory=' "$unit"
echo "unit verified"
