#!/usr/bin/env bash
# Regenerates the sample product's logo (committed, so builds need no
# ImageMagick): 438 x 98 pixels fills the dialog's 292 x 60 unit logo area at
# Tahoma 8; a 16-colour uncompressed BMP keeps it near 20 KB and readable by
# every BMP decoder (no RLE).
set -euo pipefail
out=${1:-$(dirname "$0")/sample-product/PackageFiles/ProgramFiles\(x86\)/KOVA/Corvexa/Res/Logo_Long.bmp}
convert -size 438x98 gradient:'#0b2a4a-#1d5f8c' \
  -fill '#f2b632' -draw "polygon 24,49 44,17 64,49 44,81" \
  -fill '#0b2a4a' -draw "polygon 36,49 44,36 52,49 44,62" \
  -font DejaVu-Sans-Bold -pointsize 40 -fill white -annotate +84+58 'CORVEXA' \
  -font DejaVu-Sans -pointsize 14 -fill '#cfe3f2' -annotate +86+80 'KOVA token software' \
  -colors 16 -compress none -type Palette BMP3:"$out"
echo "wrote $out"
