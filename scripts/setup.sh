#!/usr/bin/env bash
# The one command for a fresh Debian 12 machine: installs what is needed,
# builds, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh
scripts/build.sh
scripts/test.sh
