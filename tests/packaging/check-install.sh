#!/bin/bash
# Installs the build into a scratch root and checks what a desktop expects:
# the programs under bin/, a valid desktop entry, icon and AppStream file.
set -euo pipefail
build="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
share="$root/usr/share"
fail=0
for f in bin/ocellane bin/ocellane-probe bin/ocellane-camsim \
         share/applications/io.ocellane.Ocellane.desktop \
         share/metainfo/io.ocellane.Ocellane.metainfo.xml \
         share/icons/hicolor/scalable/apps/io.ocellane.Ocellane.svg \
         share/icons/hicolor/256x256/apps/io.ocellane.Ocellane.png \
         share/man/man1/ocellane-probe.1 share/man/man1/ocellane-camsim.1; do
    if [ ! -e "$root/usr/$f" ]; then
        echo "missing after install: $f"
        fail=1
    fi
done
desktop-file-validate "$share/applications/io.ocellane.Ocellane.desktop" || fail=1
# The desktop names the program by its application title.
grep -qx 'Name=Ocellane 4' "$share/applications/io.ocellane.Ocellane.desktop" || { echo "desktop entry not named Ocellane 4"; fail=1; }
grep -q '<name>Ocellane 4</name>' "$share/metainfo/io.ocellane.Ocellane.metainfo.xml" || { echo "AppStream name not Ocellane 4"; fail=1; }
appstreamcli validate --no-net "$share/metainfo/io.ocellane.Ocellane.metainfo.xml" || fail=1
for page in "$share"/man/man1/*.1; do
    man --warnings -l "$page" >/dev/null 2>"$root/man.err" || fail=1
    if [ -s "$root/man.err" ]; then cat "$root/man.err"; fail=1; fi
done
exit $fail
