#!/usr/bin/env bash
# Checks a built Debian package: lintian finds no error, the metainfo and the desktop entry are
# valid, every file the desktop needs is in it, and the packed catalogue maker works from the
# unpacked tree.
set -euo pipefail

if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: scripts/check-package.sh PACKAGE.deb" >&2
    exit 2
fi
deb=$1
app_id=example.olvane.tralbo

fail() {
    echo "check-package.sh: $*" >&2
    exit 1
}

lintian --fail-on error "$deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg-deb -x "$deb" "$root"

appstreamcli validate "$root/usr/share/metainfo/$app_id.metainfo.xml"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop"

for program in tralbo tralbo-cli tralbo-newcatalogue; do
    [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program is missing or not executable"
    gzip -t "$root/usr/share/man/man1/$program.1.gz" || fail "man page of $program is missing"
done
grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/tralbo.svg" ||
    fail "scalable icon is missing"
for size in 48 256; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/tralbo.png
    file "$icon" | grep -q "PNG image data, $size x $size," ||
        fail "icon ${size}x${size} is missing or has another size"
done

# dpkg-shlibdeps must have run: nothing else would name the widget library.
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the shared libraries"

catalogue=$work/data/CD.db
mkdir "$work/data"
"$root/usr/bin/tralbo-newcatalogue" "$catalogue"
[ "$(head -c 15 "$catalogue")" = "SQLite format 3" ] || fail "$catalogue is not an SQLite database"
table=$(sqlite3 "$catalogue" "SELECT name FROM sqlite_master WHERE type = 'table' AND name = 'CD'")
[ "$table" = CD ] || fail "$catalogue has no table CD"
"$root/usr/bin/tralbo-cli" discs --catalogue "$catalogue" > /dev/null ||
    fail "tralbo-cli cannot read the catalogue tralbo-newcatalogue made"

echo "check-package.sh: $deb is fine"
