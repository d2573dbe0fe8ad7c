#!/bin/sh
# Checks the layer rule over the sources: every #include "..." in a file under
# src/ is written from src/, names a file that is there, and comes from the
# file's own folder or a folder below it in this order, from the ground up:
#
#   core/base < core/state < core/server < core/archive < core/search < core/geo < core/gis
#     < ui/widgets < ui/map < ui/windows < ui/mainwindow < app
#
# Each folder is a layer of its own, so no two folders include each other.
# Also, the main window's bodies (MainWindow::...) live only in ui/mainwindow.
# Prints every offender and exits with 1 when there is one.
#
# Usage: scripts/check-layers.sh [SRC]   (SRC: the src folder; by default the
# one beside this script's folder)
set -eu

src=${1:-$(dirname "$0")/../src}
cd "$src"

status=0
find . -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's|^\./||' | sort |
    while IFS= read -r file; do
        grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
            sed "s|^|$file:|" || true
    done |
    awk -F: '
    BEGIN {
        n = split("core/base core/state core/server core/archive core/search core/geo core/gis " \
                  "ui/widgets ui/map ui/windows ui/mainwindow app", order, " ")
        for (i = 1; i <= n; i++) layer[order[i]] = i
        bad = 0
    }
    function layerOf(path,    i, best) {
        best = 0
        for (i = 1; i <= n; i++)
            if (index(path, order[i] "/") == 1) best = i
        return best
    }
    {
        file = $1; line = $2
        included = $0
        sub(/^[^"]*"/, "", included); sub(/".*$/, "", included)
        from = layerOf(file); to = layerOf(included)
        where = file ":" line ": "
        if (from == 0) {
            print where "\"" file "\" lies in no layer"; bad = 1
        } else if (to == 0) {
            print where "\"" included "\" is not written from src/ or lies in no layer"; bad = 1
        } else if ((getline dummy < included) < 0) {
            print where "\"" included "\" is not a file under src/"; bad = 1
        } else if (to > from) {
            print where order[from] " includes " included " (" order[to] ", a higher layer)"
            bad = 1
        }
        close(included)
    }
    END { exit bad }' || status=1

outside=$(grep -rnE '^[A-Za-z].*\bMainWindow::[A-Za-z_~]+\(' --include='*.cpp' --include='*.h' . |
    grep -v '^\./ui/mainwindow/' || true)
if [ -n "$outside" ]; then
    printf '%s\n' "$outside" | sed 's|^\./||; s|$|  (a main window body outside ui/mainwindow)|'
    status=1
fi
exit $status
