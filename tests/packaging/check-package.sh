#!/bin/sh
# Builds the Debian package from a configured and built tree and checks it as
# an installer would see it: lintian finds no error and no warning; its files,
# its declared dependencies, a valid desktop entry with the demo atlas action,
# and the packaged program running on the demo atlas the packaged launcher
# writes.
# Usage: check-package.sh BUILD_DIR CPACK
set -eu
build=$1
cpack=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
arch=$(dpkg --print-architecture)
deb=$(ls "$work"/pkg/orvena_*_"$arch".deb) || fail "no orvena_<version>_$arch.deb"
echo "package: $(basename "$deb")"

command -v lintian >/dev/null || fail "lintian is missing: scripts/deps.sh installs it"
lintian --fail-on error,warning "$deb" >"$work/lintian" 2>&1 ||
    { cat "$work/lintian" >&2; fail "lintian"; }

dpkg-deb -c "$deb" >"$work/list"
for f in ./usr/bin/orvena ./usr/bin/orvena-avvia ./usr/libexec/orvena/orvena-demo \
    ./usr/share/applications/orvena.desktop ./usr/share/icons/hicolor/scalable/apps/orvena.svg \
    ./usr/share/doc/orvena/copyright ./usr/share/doc/orvena/changelog.Debian.gz \
    ./usr/share/man/it/man1/orvena.1.gz ./usr/share/man/it/man1/orvena-avvia.1.gz; do
    grep -q " $f\$" "$work/list" || fail "$f is not in the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libqt6gui6 libqt6core6 libsqlite3-0 fonts-liberation; do
    case "$depends" in *"$d"*) ;; *) fail "Depends lacks $d: $depends" ;; esac
done

dpkg-deb -x "$deb" "$work/root"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$work/root/usr/share/applications/orvena.desktop" |
        grep -v ': hint: ' && fail "the desktop entry is not valid"
fi
entry="$work/root/usr/share/applications/orvena.desktop"
grep -q '^Categories=.*Graphics;.*Geography;' "$entry" ||
    fail "the desktop entry is not in Graphics and Geography"
grep -A3 '^\[Desktop Action esempio\]' "$entry" | grep -q '^Name=Atlante di esempio$' ||
    fail "the desktop entry has no action \"Atlante di esempio\""
example=$(grep -A3 '^\[Desktop Action esempio\]' "$entry" | sed -n 's/^Exec=//p')

# The action, as the menu runs it but with the packaged files and a home of
# its own: the demo atlas written into ~/Orvena-esempio, then the packaged
# program there (told to export, so that it ends without a window), twice:
# the second time over a changed atlas, which comes back fresh.
mkdir "$work/home"
for round in 1 2; do
    (HOME="$work/home" PATH="$work/root/usr/bin:$PATH" QT_QPA_PLATFORM=offscreen \
        $example --esporta-gis gis >"$work/out" 2>&1) ||
        fail "\"$example\" does not run: $(cat "$work/out")"
    grep -q 'Località esportate: 31' "$work/out" || fail "the demo atlas exported $(cat "$work/out")"
    for f in orvena.hlp valfonda_ne.bmp; do
        [ -f "$work/home/Orvena-esempio/$f" ] || fail "no $f in ~/Orvena-esempio (round $round)"
    done
    rm "$work/home/Orvena-esempio/valfonda_ne.bmp"
done
echo "ok"
