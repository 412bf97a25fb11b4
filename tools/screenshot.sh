#!/usr/bin/env bash
# Photographs the window halfway through a batch, on a virtual X display: docs/window.png.
# usage: tools/screenshot.sh [SKINREMAP]      (default: build/release/skinremap)
# Needs xvfb-run, xdotool, ImageMagick's `import` and python3.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="$(realpath "${1:-$root/build/release/skinremap}")"
output="$root/docs/window.png"

if [[ -z "${DISPLAY:-}" ]]; then
    exec xvfb-run -a -s "-screen 0 640x400x24" "$0" "$program"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
skins=(armour_red armour_blue ogre_green ogre_brown knight_gold knight_steel
       wolf_grey wolf_white troll_moss troll_stone mage_violet mage_ember)
PYTHONPATH="$root/tests/gui" python3 - "$work" "${skins[@]}" <<'PY'
import sys
from pathlib import Path
from gui_test import bmp24, riff_palette
folder = Path(sys.argv[1])
(folder / "skins.ipl").write_bytes(riff_palette())
for name in sys.argv[2:]:
    (folder / f"{name}.bmp").write_bytes(bmp24(1600, 1200))
PY

(cd "$work" && exec "$program") &
pid=$!
window="$(timeout 20 xdotool search --sync --onlyvisible --name '^Vaskor Skin Remaper$' | head -1)"
# Halfway: wait until half of the skins are 8-bit.
half=$(( ${#skins[@]} / 2 ))
for _ in $(seq 600); do
    done_count=$(PYTHONPATH="$root/tests/gui" python3 -c '
import sys; from pathlib import Path; from gui_test import bit_depth
print(sum(bit_depth(p) == 8 for p in Path(sys.argv[1]).glob("*.bmp")))' "$work")
    ((done_count >= half)) && break
    sleep 0.1
done
sleep 0.2
import -window "$window" -strip "$output"
kill "$pid"
wait "$pid" 2>/dev/null || true
echo "wrote $output ($(stat -c %s "$output") bytes)"
