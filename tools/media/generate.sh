#!/usr/bin/env bash
# Regenerates every file in Media/ (pictures and music) from the code in this folder.
# Needs Debian's python3-pil, python3-numpy and lame (scripts/install-deps.sh --media).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
PYTHONDONTWRITEBYTECODE=1 exec /usr/bin/python3 "$here/generate.py" "${1:-$here/../../Media}" "${@:2}"
