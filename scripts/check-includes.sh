#!/bin/bash
# Checks every #include "folder/..." under src/ against the layer table in
# docs/ARCHITECTURE.md (the rows between the include-rule markers): a file
# in folder F may include only from the folders F's row names. Prints each
# include against the table with its file:line and the rule it breaks.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
doc="$root/docs/ARCHITECTURE.md"

# "folder: allowed allowed ..." for every row of the table.
rules=$(awk '/<!-- include-rule begin -->/ { on = 1; next }
             /<!-- include-rule end -->/ { on = 0 }
             on && /^\| `[a-z]+` \|/ {
                 split($0, cell, "|"); gsub(/[` ]/, "", cell[2]); allowed = cell[3]
                 gsub(/[`,]/, " ", allowed); gsub(/ +/, " ", allowed)
                 sub(/^ /, "", allowed); sub(/ $/, "", allowed); print cell[2] ":" allowed }' "$doc")
if [ -z "$rules" ]; then
    echo "check-includes: no include-rule table in $doc" >&2
    exit 2
fi

failed=0
cd "$root"
while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    target=$(sed -E 's/.*#include "([^"/]+)\/.*/\1/' <<<"$rest")
    folder=$(cut -d/ -f2 <<<"$file")
    [ -d "src/$target" ] || continue
    row=$(grep -E "^$folder:" <<<"$rules" || true)
    if [ -z "$row" ]; then
        echo "$file:$line: $folder/ has no row in the include-rule table" >&2
        failed=1
        continue
    fi
    allowed=" ${row#*:} "
    if [[ "$allowed" != *" $target "* ]]; then
        include=$(sed -E 's/.*(#include "[^"]*").*/\1/' <<<"$rest")
        echo "$file:$line: $include breaks the rule \"$folder may include: ${row#*:}\"" >&2
        failed=1
    fi
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"/]+/' src --include='*.h' --include='*.cpp' --include='*.in' || true)

if [ "$failed" -ne 0 ]; then
    echo "check-includes: includes against the layers in docs/ARCHITECTURE.md" >&2
    exit 1
fi
echo "check-includes: every include under src/ follows the layers"
