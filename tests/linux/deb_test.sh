#!/usr/bin/env bash
# The .deb: packs the build with CPack, checks its dependencies and files,
# has lintian and appstreamcli check it, unpacks it with dpkg-deb -x into a
# temporary folder, and runs the unpacked capture tool there for 100 frames
# with the unpacked pictures: its checksums must be the build's own.
# Usage: deb_test.sh BUILD_DIRECTORY
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rm -rf "$build/package"
(cd "$build" && cpack -G DEB >"$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$build"/package/nightwick_*.deb)
app_id=org.nightwick.nightwick
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
for library in libsdl2 libpng libgif libstdc++6 libc6 libx11; do
    grep -q "$library" <<<"$depends" || { echo "the package does not depend on $library"; exit 1; }
done

dpkg-deb -x "$deb" "$work/root"
for file in usr/bin/nightwick usr/bin/nightwick-capture \
    usr/share/nightwick/{VeskBack,Mosquito,Mfall,Mturn,Mzap,Mzapa,Lamp,Rail}.pcx \
    usr/share/applications/$app_id.desktop usr/share/metainfo/$app_id.metainfo.xml \
    usr/share/icons/hicolor/256x256/apps/nightwick.png \
    usr/share/man/man6/nightwick.6.gz usr/share/man/man1/nightwick-capture.1.gz \
    usr/share/doc/nightwick/changelog.gz usr/share/doc/nightwick/copyright \
    usr/share/xscreensaver/config/nightwick.xml; do
    [ -s "$work/root/$file" ] || { echo "the package lacks $file"; exit 1; }
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$work/root/usr/share/applications/$app_id.desktop"
fi

# Debian's own checks, failing on any error or warning. As root lintian must
# be told it may run; it only reads the package built here.
lintian_root=()
[ "$(id -u)" -eq 0 ] && lintian_root=(--allow-root)
lintian "${lintian_root[@]}" --fail-on error,warning "$deb" ||
    { echo "lintian finds errors or warnings in the package"; exit 1; }
# The screenshot and home page are not fetched: the test must not hang on the
# network. validate-tree also checks the metainfo against the desktop entry
# beside it.
appstreamcli validate --no-net --strict "$work/root/usr/share/metainfo/$app_id.metainfo.xml"
appstreamcli validate-tree --no-net --strict "$work/root"

# The changelog is written by hand: a new version needs its own entry.
version=$(dpkg-deb -f "$deb" Version)
zcat "$work/root/usr/share/doc/nightwick/changelog.gz" >"$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$version" ] ||
    { echo "the changelog's latest entry is not for $version"; exit 1; }
[ "$("$work/root/usr/bin/nightwick" --version)" = "nightwick $version" ] ||
    { echo "the unpacked program reports another version"; exit 1; }

# Started in the unpacked root, which holds no pictures: the tool finds
# them in share/nightwick beside its bin/.
(cd "$work/root" && usr/bin/nightwick-capture --frames 100 --checksums) >"$work/unpacked.txt" 2>"$work/unpacked.log" ||
    { cat "$work/unpacked.log"; exit 1; }
if grep -q "cannot find" "$work/unpacked.log"; then
    cat "$work/unpacked.log"
    exit 1
fi
(cd "$build" && tools/capture/nightwick-capture --frames 100 --checksums) >"$work/built.txt" 2>/dev/null
[ "$(wc -l <"$work/unpacked.txt")" -eq 100 ] && cmp -s "$work/unpacked.txt" "$work/built.txt" ||
    { echo "the unpacked tool's frames differ from the build's"; exit 1; }
echo "the unpacked nightwick-capture ran 100 frames with the unpacked pictures, the same as the build's"
