#!/usr/bin/env bash
# convert and info on today's photo formats, written at run time by the
# independent tools (heif-enc, avifenc, cwebp, cjxl, ImageMagick) from one test
# picture: they open, and match the tools' own decoders (heif-convert, avifdec,
# dwebp, djxl); what convert writes as WebP and AVIF opens elsewhere. A missing
# tool skips its checks.
set -u
cli=$1
dng=$2
source "$(dirname "$0")/check.sh"
have() { command -v "$1" >/dev/null 2>&1; }
# Difference of two pictures by ImageMagick (of 65535): PAE the largest of any
# channel, RMSE the root mean square.
difference() { compare -metric "$1" "$2" "$3" null: 2>&1 | sed 's/ .*//'; }
within() {  # picture, picture, largest difference allowed, [metric]
  local p
  p=$(difference "${4:-PAE}" "$1" "$2")
  awk -v p="$p" -v m="$3" 'BEGIN { exit !(p + 0 <= m + 0) }' || { echo "  ${4:-PAE} difference $p (allowed $3)"; return 1; }
}
quietly() { "$@" >/dev/null 2>&1; }

if ! have convert || ! have compare; then
  echo "cli photo formats: ImageMagick missing, skipped"
  exit 0
fi
convert -size 96x64 gradient:orange-navy \( -size 96x64 xc:none -fill '#c02020' -draw 'rectangle 20,12 50,40' \) \
  -composite -depth 8 -define png:exclude-chunk=gAMA,cHRM "$dir/in.png"

# name, encoder command, decoder command (reference PNG), largest difference to it (of 65535)
run() {
  local name=$1 encode=$2 decode=$3 tolerance=$4 format=$5
  for tool in ${encode%% *} ${decode%% *}; do have "$tool" || { echo "  $name: $tool missing, skipped"; return; }; done
  check "$name: tool writes" quietly bash -c "$encode"
  check "$name: tool decodes" quietly bash -c "$decode"
  check "$name: convert reads" "$cli" convert "$dir/$name" "$dir/$name.ours.png"
  check "$name: matches the tool's decoder" within "$dir/$name.ours.png" "$dir/$name.ref.png" "$tolerance"
  local info
  info=$("$cli" info "$dir/$name")
  check "$name: info names the format" grep -qx "$format" <<<"$info"
  check "$name: info gives the stored size" grep -qx "96x64 pixels" <<<"$info"
}
run in.heic "heif-enc -q 90 -o $dir/in.heic $dir/in.png" "heif-convert $dir/in.heic $dir/in.heic.ref.png" 300 HEIF
run in.avif "avifenc -y 444 --min 0 --max 10 $dir/in.png $dir/in.avif" "avifdec $dir/in.avif $dir/in.avif.ref.png" 600 AVIF
run in.webp "cwebp -quiet -q 90 $dir/in.png -o $dir/in.webp" "dwebp -quiet $dir/in.webp -o $dir/in.webp.ref.png" 0 WebP
run in.jxl "cjxl --quiet -d 1 $dir/in.png $dir/in.jxl" "djxl --quiet $dir/in.jxl $dir/in.jxl.ref.png" 300 "JPEG XL"
run im.webp "convert $dir/in.png -quality 90 $dir/im.webp" "dwebp -quiet $dir/im.webp -o $dir/im.webp.ref.png" 0 WebP
run im.heic "convert $dir/in.png -quality 90 $dir/im.heic" "heif-convert $dir/im.heic $dir/im.heic.ref.png" 300 HEIF

# Writing: WebP and AVIF open in ImageMagick (and Pillow) close to the picture.
check "convert writes webp" "$cli" convert "$dir/in.png" "$dir/out.webp" --quality 90
check "convert writes avif" "$cli" convert "$dir/in.png" "$dir/out.avif" --quality 90
check "webp opens in ImageMagick" convert "$dir/out.webp" "$dir/out.webp.png"
check "avif opens in ImageMagick" convert "$dir/out.avif" "$dir/out.avif.png"
check "webp close to the picture" within "$dir/out.webp.png" "$dir/in.png" 1500 RMSE
check "avif close to the picture" within "$dir/out.avif.png" "$dir/in.png" 1500 RMSE
if /usr/bin/python3 -c 'import PIL' 2>/dev/null; then
  check "webp opens in Pillow" /usr/bin/python3 -c "from PIL import Image; im = Image.open('$dir/out.webp'); im.load(); assert im.size == (96, 64)"
fi
info=$("$cli" info "$dir/out.webp")
check "webp info gives the depth" grep -qx "24 bits" <<<"$info"

# A 32-bit picture goes to WebP lossless, alpha kept exactly.
convert "$dir/in.png" \( +clone -fx 'i/w' \) -alpha off -compose copy_opacity -composite -depth 8 "$dir/alpha.png"
check "convert writes lossless webp" "$cli" convert "$dir/alpha.png" "$dir/alpha.webp"
check "lossless webp is exact" within "$dir/alpha.webp" "$dir/alpha.png" 0
info=$("$cli" info "$dir/alpha.webp")
check "alpha webp info: 32 bits" grep -qx "32 bits" <<<"$info"
check "alpha webp info: alpha" grep -qx "RVBA (couche Alpha)" <<<"$info"

# Camera raw: a small DNG; and a file LibRaw cannot read fails as before.
info=$("$cli" info "$dng")
check "dng info names the format" grep -qx "Camera raw" <<<"$info"
check "dng info gives the camera" grep -qx "Velinor Test DNG" <<<"$info"
check "dng converts" "$cli" convert "$dng" "$dir/dng.png"
echo "not a picture" >"$dir/notes.txt"
"$cli" convert "$dir/notes.txt" "$dir/notes.png" 2>/dev/null
check "unreadable raw exits 2" test $? -eq 2
check "and writes nothing" test ! -e "$dir/notes.png"

finish "cli photo formats"
