#!/usr/bin/env bash
# Builds the hotkey companion Tasu and packs it as a signed Tasu.app in a zip archive, with its
# feed: OUT/Tasu-VERSION.zip and OUT/tasu-appcast.xml. The folder carries its identity file
# (Contents/Info.plist, bundle identifier app.mebo.tasu) and the publisher's signature over every
# file (Contents/_CodeSignature), which Mebo's installer checks.
# Usage: scripts/pack-tasu.sh --key KEYFILE [--out DIR] [--url-base URL] [--version V]
#   --url-base   where the archive will be downloaded from (the feed's enclosure is URL/NAME)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
key="" out="$PWD" base="" version=""
while [ $# -gt 0 ]; do
    case "$1" in
    --key) key="$2"; shift 2 ;;
    --out) out="$2"; shift 2 ;;
    --url-base) base="${2%/}"; shift 2 ;;
    --version) version="$2"; shift 2 ;;
    -h|--help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "pack-tasu: unknown argument $1" >&2; exit 2 ;;
    esac
done
[ -n "$key" ] || { echo "pack-tasu: --key KEYFILE is required" >&2; exit 2; }
version="${version:-$(sed -n 's/^project(mebo VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")}"
mapfile -t tools < <("$root/scripts/release-tools.sh" mebo-sign tasu)
sign="${tools[0]}" tasu="${tools[1]}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

app="$work/Tasu.app"
mkdir -p "$app/Contents/bin"
install -m 755 "$tasu" "$app/Contents/bin/tasu"
strip --strip-unneeded "$app/Contents/bin/tasu" 2>/dev/null || true
cat >"$app/Contents/Info.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
  <key>CFBundleIdentifier</key>
  <string>app.mebo.tasu</string>
  <key>CFBundleName</key>
  <string>Tasu</string>
  <key>CFBundleExecutable</key>
  <string>bin/tasu</string>
  <key>CFBundleShortVersionString</key>
  <string>$version</string>
</dict>
</plist>
PLIST
"$sign" sign-app "$app" --key "$key" >/dev/null

name="Tasu-$version.zip"
rm -f "$out/$name"
(cd "$work" && zip -q -r -y -X "$out/$name" Tasu.app)
url="${base:+$base/}$name"
cat >"$out/tasu-appcast.xml" <<FEED
<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
  <channel>
    <title>Tasu</title>
    <item>
      <title>Tasu $version</title>
      <sparkle:shortVersionString>$version</sparkle:shortVersionString>
      <enclosure url="$url" length="$(stat -c %s "$out/$name")" type="application/zip"/>
    </item>
  </channel>
</rss>
FEED
echo "$out/$name"
