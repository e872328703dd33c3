#!/usr/bin/env bash
# Fails when a source file includes a header of a folder above its own. The folders, bottom first;
# a file may include its own folder and any folder below it. cli and tools share the top and do
# not include each other.
#
#   scripts/check-includes.sh [SRC_DIR]    (default: the src folder beside this script)
set -euo pipefail
src=${1:-$(cd "$(dirname "$0")/../src" && pwd)}

declare -A level=(
    [base]=0 [platform]=1 [archive]=2 [image]=2 [scan]=3 [catalogue]=4 [devices]=5 [vdrive]=6 [app]=7
    [cli]=8 [tools]=8
)

found=0
while IFS= read -r -d '' file; do
    folder=${file#"$src"/}
    folder=${folder%%/*}
    if [ -z "${level[$folder]+set}" ]; then
        echo "$file: folder $folder has no place in the include order" >&2
        found=1
        continue
    fi
    while IFS=: read -r line included; do
        target=${included%%/*}
        if [ "$target" = "$folder" ]; then
            continue
        fi
        if [ -z "${level[$target]+set}" ] || [ "${level[$target]}" -ge "${level[$folder]}" ]; then
            echo "$file:$line: $folder may not include $included" >&2
            found=1
        fi
    done < <(grep -n -o '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*/[^"]*"' "$file" |
        sed 's/:.*"\([^"]*\)"$/:\1/')
done < <(find "$src" -mindepth 2 \( -name '*.h' -o -name '*.cpp' \) -print0)
exit "$found"
