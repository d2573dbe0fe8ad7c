#!/bin/sh
# Builds the Debian package from a configured and built tree and checks it as
# an installer would see it: its files, its declared dependencies, a valid
# desktop entry, and the packaged program running on the demo atlas.
# Usage: check-package.sh BUILD_DIR CPACK ORVENA_DEMO
set -eu
build=$1
cpack=$2
demo=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
arch=$(dpkg --print-architecture)
deb=$(ls "$work"/pkg/orvena_*_"$arch".deb) || fail "no orvena_<version>_$arch.deb"
echo "package: $(basename "$deb")"

dpkg-deb -c "$deb" >"$work/list"
for f in ./usr/bin/orvena ./usr/bin/orvena-avvia ./usr/share/applications/orvena.desktop \
    ./usr/share/icons/hicolor/scalable/apps/orvena.svg; do
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
grep -q '^Categories=.*Graphics;.*Geography;' "$work/root/usr/share/applications/orvena.desktop" ||
    fail "the desktop entry is not in Graphics and Geography"

# The packaged program, away from the build tree, on the demo atlas.
mkdir "$work/atlas"
QT_QPA_PLATFORM=offscreen "$demo" "$work/atlas" 2>/dev/null
(cd "$work/atlas" && "$work/root/usr/bin/orvena" --esporta-gis gis >"$work/out") ||
    fail "the packaged program does not run"
grep -q 'Località esportate: 31' "$work/out" || fail "the packaged program exported $(cat "$work/out")"
echo "ok"
