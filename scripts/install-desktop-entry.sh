#!/usr/bin/env bash
# Installs Mebo's desktop entry and icon for the current user and makes Mebo the handler of
# mebo:// URLs (so `xdg-open 'mebo://capture?mode=area'` reaches the running application).
# Usage: install-desktop-entry.sh [PATH-TO-MEBO]   (default: this checkout's build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="${1:-$root/build/src/mebo}"
data_home="${XDG_DATA_HOME:-$HOME/.local/share}"
apps="$data_home/applications"
icons="$data_home/icons/hicolor/scalable/apps"
mkdir -p "$apps" "$icons"

tmp="$(mktemp "$apps/.mebo.desktop.XXXXXX")"
sed "s|@MEBO_EXEC@|$exe|" "$root/data/mebo.desktop.in" >"$tmp"
chmod 644 "$tmp"
mv -f "$tmp" "$apps/mebo.desktop"
cp -f "$root/data/icons/mebo.svg" "$icons/mebo.svg"

if command -v update-desktop-database >/dev/null 2>&1; then
    update-desktop-database -q "$apps" || true
fi
if command -v xdg-mime >/dev/null 2>&1; then
    xdg-mime default mebo.desktop x-scheme-handler/mebo
fi
echo "desktop entry: $apps/mebo.desktop (Exec=$exe)"
