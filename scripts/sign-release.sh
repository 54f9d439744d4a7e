#!/usr/bin/env bash
# Signs a release archive with the publisher's key and prints its appcast <item> (the enclosure
# carries the archive's length and its Ed25519 signature, sparkle:edSignature).
# Usage: scripts/sign-release.sh ARCHIVE --key KEYFILE [--url URL] [--version V] [--build B]
#                                [--notes-url URL] [--appcast FILE]
#   --url        where the archive will be downloaded from (default: its file name)
#   --version    the version people read (default: from mebo-VERSION-ARCH.tar.gz)
#   --build      the build number (default: the version)
#   --appcast    also write FILE: a whole feed holding this one item
set -euo pipefail
archive="" key="" url="" version="" build="" notes="" appcast=""
while [ $# -gt 0 ]; do
    case "$1" in
    --key) key="$2"; shift 2 ;;
    --url) url="$2"; shift 2 ;;
    --version) version="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --notes-url) notes="$2"; shift 2 ;;
    --appcast) appcast="$2"; shift 2 ;;
    -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "sign-release: unknown option $1" >&2; exit 2 ;;
    *) [ -z "$archive" ] || { echo "sign-release: one archive only" >&2; exit 2; }; archive="$1"; shift ;;
    esac
done
[ -n "$archive" ] && [ -f "$archive" ] || { echo "sign-release: no archive (see --help)" >&2; exit 2; }
[ -n "$key" ] || { echo "sign-release: --key KEYFILE is required" >&2; exit 2; }
name="$(basename "$archive")"
if [ -z "$version" ]; then
    version="$(printf '%s' "$name" | sed -n 's/^mebo-\([0-9][^-]*\)-.*\.tar\.gz$/\1/p')"
    [ -n "$version" ] || { echo "sign-release: cannot read a version from $name; give --version" >&2; exit 2; }
fi
build="${build:-$version}"
url="${url:-$name}"
sign="$("$(dirname "$0")/release-tools.sh" mebo-sign)"
signature="$("$sign" sign "$archive" --key "$key")"
length="$(stat -c %s "$archive")"
date="$(LC_ALL=C date -u '+%a, %d %b %Y %H:%M:%S +0000')"
esc() { printf '%s' "$1" | sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g'; }
item="    <item>
      <title>Mebo $(esc "$version")</title>
      <pubDate>$date</pubDate>
      <sparkle:version>$(esc "$build")</sparkle:version>
      <sparkle:shortVersionString>$(esc "$version")</sparkle:shortVersionString>"
[ -z "$notes" ] || item="$item
      <sparkle:releaseNotesLink>$(esc "$notes")</sparkle:releaseNotesLink>"
item="$item
      <enclosure url=\"$(esc "$url")\" length=\"$length\" type=\"application/gzip\" sparkle:edSignature=\"$signature\"/>
    </item>"
printf '%s\n' "$item"
if [ -n "$appcast" ]; then
    tmp="$(mktemp "$(dirname "$appcast")/.appcast.XXXXXX")"
    cat >"$tmp" <<FEED
<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
  <channel>
    <title>Mebo</title>
$item
  </channel>
</rss>
FEED
    chmod 644 "$tmp"
    mv -f "$tmp" "$appcast"
fi
