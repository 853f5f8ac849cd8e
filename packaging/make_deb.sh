#!/usr/bin/env bash
# Builds dist/velmira_VERSION-1_amd64.deb from build/native/velmira: the program, its help pages,
# the demo and the song book (/usr/share/velmira), a desktop entry, the icon in the hicolor theme, the .qji file type, a man page and the
# copyright. Depends are worked out by dpkg-shlibdeps, plus a General MIDI SoundFont.
# VERSION, the help pages (the Linux set, help-linux: cmake/help_pages.cmake), the changelog and
# the man page come from the build folder, where CMake wrote them from project() in
# CMakeLists.txt (cmake/packaging.cmake).
#   packaging/make_deb.sh [OUTPUT_FOLDER]     (default: dist)
set -euo pipefail
output=$(realpath -m "${1:-dist}")
cd "$(dirname "$0")/.."
native=build/native
for built in velmira VERSION help-linux/default.htm packaging/linux/changelog; do
  [ -e "$native/$built" ] ||
    { echo "package: $native/$built is missing (scripts/build makes it)" >&2; exit 1; }
done
version=$(cat "$native/VERSION")
revision=1
arch=$(dpkg --print-architecture)
name="velmira_${version}-${revision}_${arch}"
stage="build/deb/$name"
linux=packaging/linux

rm -rf "$stage"
install -d "$stage/DEBIAN" "$stage/usr/bin" "$stage/usr/share/velmira/help" "$stage/usr/share/velmira/songs" \
  "$stage/usr/share/applications" "$stage/usr/share/mime/packages" \
  "$stage/usr/share/man/man1" "$stage/usr/share/doc/velmira"

install -m 0755 "$native/velmira" "$stage/usr/bin/velmira"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$stage/usr/bin/velmira"
# The Linux program's help pages (the build's copy, version filled in) are GB2312 like the Windows
# ones; browsers on Linux get UTF-8.
for page in "$native"/help-linux/*.htm; do
  iconv -f GB18030 -t UTF-8 "$page" | sed 's/charset=gb2312/charset=utf-8/' \
    >"$stage/usr/share/velmira/help/$(basename "$page")"
done
install -m 0644 "$native/help-linux/style.css" "$stage/usr/share/velmira/help/"
# The demo and the song book, where the program looks for them (qt/data_files.cpp).
install -m 0644 resources/demo/demo.qji "$stage/usr/share/velmira/demo.qji"
install -m 0644 resources/songs/*.txt "$stage/usr/share/velmira/songs/"
install -m 0644 "$linux/velmira.desktop" "$stage/usr/share/applications/velmira.desktop"
install -m 0644 "$linux/velmira-mime.xml" "$stage/usr/share/mime/packages/velmira.xml"
gzip -9n -c "$native/$linux/velmira.1" >"$stage/usr/share/man/man1/velmira.1.gz"
install -m 0644 "$linux/copyright" "$stage/usr/share/doc/velmira/copyright"
gzip -9n -c "$native/$linux/changelog" >"$stage/usr/share/doc/velmira/changelog.Debian.gz"
# The icon's three pictures (16, 32 and 48 pixels) into the hicolor theme.
for index in 0 1 2; do
  size=$(identify -format '%w' "resources/velmira.ico[$index]")
  install -d "$stage/usr/share/icons/hicolor/${size}x${size}/apps"
  convert "resources/velmira.ico[$index]" -strip "$stage/usr/share/icons/hicolor/${size}x${size}/apps/velmira.png"
done
find "$stage/usr" -type d -exec chmod 0755 {} +
find "$stage/usr" -type f ! -path '*/usr/bin/*' -exec chmod 0644 {} +

# The libraries the program links, as Debian names them.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/debian"
printf 'Source: velmira\n\nPackage: velmira\nArchitecture: any\n' >"$work/debian/control"
libraries=$(cd "$work" && dpkg-shlibdeps -O -e"$OLDPWD/$stage/usr/bin/velmira" 2>/dev/null |
            sed -n 's/^shlibs:Depends=//p')
[ -n "$libraries" ] || { echo "package: dpkg-shlibdeps found no libraries" >&2; exit 1; }
size=$(du -sk "$stage/usr" | cut -f1)
cat >"$stage/DEBIAN/control" <<CONTROL
Package: velmira
Version: ${version}-${revision}
Architecture: ${arch}
Maintainer: The Velmira developers <developers@velmira.org>
Installed-Size: ${size}
Depends: ${libraries}, qt6-translations-l10n, fluid-soundfont-gm | timgm6mb-soundfont
Section: sound
Priority: optional
Description: play music on the computer keyboard
 Velmira turns the computer keyboard into a musical instrument: forty-five
 keys of the four main rows play notes laid out in numbered musical notation,
 Shift and Ctrl raise or lower an octave, and the space bar is the sustain
 pedal. A built-in General MIDI synthesizer sounds the moment a key goes down;
 the ALSA sequencer's ports are offered beside it.
 .
 Performances are recorded with their timing, played back once or in a loop,
 saved as .qji files and exported as Standard MIDI Files. The interface is
 Chinese.
CONTROL
mkdir -p "$output"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$output/$name.deb" >/dev/null
echo "package: $output/$name.deb"
