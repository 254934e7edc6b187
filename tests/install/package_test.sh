#!/bin/sh
# Makes the Debian package from the built tree, unpacks it into a temporary root and checks
# that what a user gets works from there: the files in their places, the desktop entry and
# the software-centre description valid, the dependencies filled in, the maintainer the
# project's own, the programs built with the hardening flags of Debian packages, the desktop
# entry launching the reader through GIO, and the installed reader finding the installed
# converter (a real conversion) and help page.
# Usage: package_test.sh BUILD_DIR
set -eu
build=$1
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$tmp/package" >/dev/null) || fail "cpack"
deb=$(ls "$tmp"/package/parlance_*.deb)
dpkg-deb -x "$deb" "$tmp/root"
root=$tmp/root/usr
for f in bin/parlance bin/wavewright bin/parlance-registry share/parlance/help.html \
         share/applications/parlance.desktop share/man/man1/parlance.1.gz \
         share/man/man1/wavewright.1.gz share/man/man1/parlance-registry.1.gz \
         share/icons/hicolor/scalable/apps/parlance.svg share/icons/hicolor/48x48/apps/parlance.png \
         share/doc/parlance/copyright share/doc/parlance/changelog.gz; do
  [ -f "$root/$f" ] || fail "missing /usr/$f"
done
desktop-file-validate "$root/share/applications/parlance.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root"/share/metainfo/*.metainfo.xml || fail "metainfo"
dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "no library dependencies"
[ "$(dpkg-deb -f "$deb" Section)" = sound ] || fail "section"
# The project's maintainer, not whoever built the package.
[ "$(dpkg-deb -f "$deb" Maintainer)" = "Parlance Maintainers <parlance@localhost>" ] ||
  fail "maintainer: $(dpkg-deb -f "$deb" Maintainer)"
for format in PDF EPUB DOCX ODT HTML Markdown MP3 Opus FLAC; do
  dpkg-deb -f "$deb" Description | grep -q "$format" || fail "the description does not name $format"
  grep -q "$format" "$root"/share/metainfo/*.metainfo.xml || fail "the metainfo does not name $format"
done
# Control-flow protection is left out: Debian 12 builds no package with it (its own start
# files lack it, so no program can have it). The registry tool calls no libc function whose
# buffer the compiler can size, so fortification has nothing to protect there, which
# hardening-check cannot tell from a build without it.
hardening-check --nocfprotection "$root/bin/parlance" "$root/bin/wavewright" || fail "hardening"
hardening-check --nocfprotection --nofortify "$root/bin/parlance-registry" || fail "hardening"

/usr/bin/python3 "$here/reader_desktop.py" "$root/bin" convert help entry
