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
for d in libqt6widgets6 libqt6gui6 libqt6core6 libsqlite3-0 fonts-liberation libgdal libproj; do
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
# the second time over an atlas the user changed, which stays as it is.
mkdir "$work/home"
atlas="$work/home/Orvena-esempio"
for round in 1 2; do
    (HOME="$work/home" PATH="$work/root/usr/bin:$PATH" QT_QPA_PLATFORM=offscreen \
        $example --esporta-gis gis >"$work/out" 2>&1) ||
        fail "\"$example\" does not run: $(cat "$work/out")"
    grep -q 'Località esportate: 31' "$work/out" || fail "the demo atlas exported $(cat "$work/out")"
    [ -f "$atlas/orvena.hlp" ] || fail "no orvena.hlp in ~/Orvena-esempio (round $round)"
    if [ "$round" = 1 ]; then
        [ -f "$atlas/valfonda_ne.bmp" ] || fail "no valfonda_ne.bmp in ~/Orvena-esempio"
        rm "$atlas/valfonda_ne.bmp"
    else
        [ ! -e "$atlas/valfonda_ne.bmp" ] || fail "the example atlas was written over the user's"
    fi
done
# With no arguments the action opens the atlas on a place marked: the program
# (here a stand-in that notes its arguments) is given the place's name.
mkdir "$work/stub"
printf '#!/bin/sh\necho "$*" >"%s/args"\n' "$work" >"$work/stub/orvena"
chmod +x "$work/stub/orvena"
(HOME="$work/home" PATH="$work/stub:$work/root/usr/bin:$PATH" $example) ||
    fail "\"$example\" does not start the program"
[ "$(cat "$work/args")" = VILLAFREDDA ] || fail "the example opens on \"$(cat "$work/args")\""
echo "ok"
