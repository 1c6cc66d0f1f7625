#!/usr/bin/env bash
# Renders report.html in headless Chromium (Debian chromium): the DOM dump
# must hold the page's title and sections, and the screenshot must have drawn
# something (many distinct colours, the charts' among them), not a blank page.
# Usage: check_html.sh TRIVANEX_REPORT SOURCE_DIR; exit 77 (skip) without chromium.
set -euo pipefail
report=$1 src=$2
chromium=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$chromium" ]; then
  echo "SKIP: chromium is not installed (apt-get install chromium)"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$src/tests/data/report/input/." "$scratch"
cd "$scratch"
"$report" --scores match-score.txt --log run.stderr --groups groups.fo data.in clusters.txt --out rep > /dev/null
status=0
fail() { echo "FAIL: $*"; status=1; }
# A profile folder of its own, so no user profile or other instance is touched.
flags=(--headless --no-sandbox --disable-gpu --user-data-dir="$scratch/profile" --no-first-run)
timeout 120 "$chromium" "${flags[@]}" --dump-dom "file://$scratch/rep/report.html" > dom.html 2> /dev/null ||
  fail "chromium --dump-dom failed"
for text in '<title>trivanex report</title>' '<h1>trivanex report</h1>' 'Largest clusters' 'Power iteration' \
  '<svg'; do
  grep -qF -- "$text" dom.html || fail "the rendered page lacks $text"
done
timeout 120 "$chromium" "${flags[@]}" --window-size=1200,1600 --screenshot="$scratch/shot.png" \
  "file://$scratch/rep/report.html" > /dev/null 2>&1 || fail "chromium --screenshot failed"
[ -s shot.png ] || fail "no screenshot"
# Distinct colours of the PNG, decoded with the standard library only.
colours=$(python3 - shot.png <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
pos, idat = 8, b""
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if kind == b"IHDR":
        width, height, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
    elif kind == b"IDAT":
        idat += body
    pos += 12 + length
assert depth == 8 and ctype in (2, 6) and interlace == 0, "unexpected PNG layout"
bpp = 3 if ctype == 2 else 4
raw, stride = zlib.decompress(idat), width * bpp
prev, seen, i = bytearray(stride), set(), 0
for _ in range(height):
    f, line = raw[i], bytearray(raw[i + 1:i + 1 + stride])
    i += 1 + stride
    for x in range(stride):
        a = line[x - bpp] if x >= bpp else 0
        b, c = prev[x], (prev[x - bpp] if x >= bpp else 0)
        if f == 1: line[x] = (line[x] + a) & 255
        elif f == 2: line[x] = (line[x] + b) & 255
        elif f == 3: line[x] = (line[x] + (a + b) // 2) & 255
        elif f == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    seen.update(bytes(line[k:k + 3]) for k in range(0, stride, bpp))
    prev = line
print(len(seen))
PY
) || fail "could not decode the screenshot"
[ "${colours:-0}" -gt 20 ] || fail "the screenshot has ${colours:-0} colours: blank?"
[ $status -eq 0 ] && echo "report.html: OK (rendered by $("$chromium" --version 2> /dev/null | head -1), $colours colours)"
exit $status
