#!/usr/bin/env bash
# The one command for a fresh Debian 12 machine: installs what is needed,
# builds, and runs the main job, the demo. The tests are scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh
scripts/build.sh
scripts/demo.sh
