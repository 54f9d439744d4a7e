#!/usr/bin/env bash
# Makes the publisher's Ed25519 key pair: KEYFILE (secret, mode 600; keep it off the repository)
# and KEYFILE.pub (the public key Mebo is built with, -DMEBO_PUBLISHER_KEY=$(cat KEYFILE.pub)).
# Usage: scripts/release-keygen.sh KEYFILE
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 KEYFILE" >&2; exit 2; }
sign="$("$(dirname "$0")/release-tools.sh" mebo-sign)"
"$sign" keygen "$1"
