#!/usr/bin/env bash
# Installs what is missing, builds the program (Release), writes a fresh copy
# of the demo atlas and the help file into demo-work/ and opens the program
# there, on the place VILLAFREDDA marked. Extra arguments go to the program in
# its stead (another place name; "" for none).
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DORVENA_BENCH=OFF >/dev/null
cmake --build "$root/build-release" --target orvena orvena-demo -j"$(nproc)"
work="$root/demo-work"
rm -rf "$work"
mkdir -p "$work"
"$root/build-release/demo/orvena-demo" "$work"
cp "$root/build-release/help/orvena.hlp" "$work/"
cd "$work"
if [ $# -eq 0 ]; then
    set -- VILLAFREDDA
fi
exec "$root/build-release/src/orvena" "$@"
