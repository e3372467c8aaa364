#!/usr/bin/env bash
# Configures and builds the given presets (default: native, sanitize, windows).
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native sanitize windows)
for preset in "${presets[@]}"; do
  [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
