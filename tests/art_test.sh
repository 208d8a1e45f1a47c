#!/usr/bin/env bash
# tests/art_test.sh OUT: scripts/draw-art draws the picture and the icon from res/design.h into
# OUT, and each must be the committed file in res/, byte for byte. A design.h or a draw-art changed
# without the art redrawn (scripts/draw-art, then commit res/) fails here.
set -euo pipefail
out=${1:?usage: art_test.sh OUT}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
rm -rf "$out"
"$source_dir/scripts/draw-art" "$out"
status=0
for file in background.bmp launcher.ico; do
    if ! cmp "$out/$file" "$source_dir/res/$file"; then
        echo "FAIL: res/$file is not what scripts/draw-art draws from res/design.h" \
             "($(cmp -l "$out/$file" "$source_dir/res/$file" 2>/dev/null | wc -l) bytes differ)" >&2
        status=1
    fi
done
[ $status -ne 0 ] || echo "art: res/background.bmp and res/launcher.ico are as drawn"
exit $status
