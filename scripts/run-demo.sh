#!/usr/bin/env bash
# Opens the bundled demo database in Quillet.
set -euo pipefail
build=${1:-build}
udl="$build/demo/demo.udl"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "make demo: no display is available (DISPLAY is not set)."
  echo "Run it inside a desktop session, or with a virtual display: xvfb-run -a make demo"
  exit 1
fi
exec "$build/bin/quillet" -udl "$udl"
