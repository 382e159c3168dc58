#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file names its licence on a line of its own at the top: the code is
# GPL-3.0-or-later, the AppStream descriptions CC0-1.0 (the drawings and pictures are named in the
# Debian copyright file, data/copyright.in). This puts the line into the files that lack it, after a
# "#!" line or an XML declaration; with --check it only lists them and fails when there are any.
# Usage: tools/spdx.sh [--check] [source folder]
set -euo pipefail

check=false
if [ "${1:-}" = "--check" ]; then
    check=true
    shift
fi
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)

# The licence of a file and the comment it is written in, by the file's name.
licence_line() {
    case $1 in
    *.metainfo.xml.in) echo "<!-- SPDX-License-Identifier: CC0-1.0 -->" ;;
    *.cpp | *.h | *.c) echo "// SPDX-License-Identifier: GPL-3.0-or-later" ;;
    *) echo "# SPDX-License-Identifier: GPL-3.0-or-later" ;;
    esac
}

# The source files: code, build files, scripts and the menu entries (build folders left out).
sources() {
    find "$root" \( -path "$root/.git" -o -path "$root/build*" -o -path "$root/fuzz/corpus" \) -prune -o \
        -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o -name '*.sh' -o -name '*.cmake' \
        -o -name CMakeLists.txt -o -name '*.desktop.in' -o -name '*.metainfo.xml.in' \
        -o -path "$root/.ci/run" \) -print | LC_ALL=C sort
}

missing=0
while read -r file; do
    # Within the first three lines, so a "#!" line or an XML declaration may come first.
    head -n 3 "$file" | grep -q 'SPDX-License-Identifier: ' && continue
    missing=$((missing + 1))
    if $check; then
        echo "no SPDX-License-Identifier line: ${file#"$root"/}"
        continue
    fi
    line=$(licence_line "$file")
    first=$(head -n 1 "$file")
    case $first in
    '#!'* | '<?xml'*) { echo "$first"; echo "$line"; tail -n +2 "$file"; } >"$file.spdx" ;;
    *) { echo "$line"; cat "$file"; } >"$file.spdx" ;;
    esac
    # Keep the file's mode (scripts stay executable).
    chmod --reference="$file" "$file.spdx"
    mv "$file.spdx" "$file"
    echo "added: ${file#"$root"/}"
done < <(sources)

if $check; then
    [ "$missing" -eq 0 ] || { echo "FAIL: $missing source files lack the line; tools/spdx.sh adds it"; exit 1; }
    # Every licence named has its full text in the tree.
    while read -r id; do
        [ -s "$root/LICENSES/$id.txt" ] || { echo "FAIL: $id is named, but LICENSES/$id.txt is missing"; exit 1; }
    done < <(sources | xargs head -q -n 3 | sed -n 's/.*SPDX-License-Identifier: \([A-Za-z0-9.+-]*\).*/\1/p' | sort -u)
    echo "ok every source file names its licence, and every licence named is in LICENSES/"
fi
