#!/usr/bin/env bash
# convert and info on a small JPEG: formats, options, exit codes, and that a
# failed conversion leaves nothing behind.
set -u
cli=$1
input=$2
source "$(dirname "$0")/check.sh"

check "jpeg to bmp" "$cli" convert "$input" "$dir/a.bmp"
check "bmp to progressive jpeg" "$cli" convert "$dir/a.bmp" "$dir/b.JPG" --quality 70 --progressive
info=$("$cli" info "$dir/b.JPG")
check "info names the format" grep -qx "JPEG" <<<"$info"
check "info gives the stored size" grep -qx "48x32 pixels" <<<"$info"
check "info gives the depth" grep -qx "24 bits" <<<"$info"
check "info gives the EXIF software" grep -qx "Velinor" <<<"$info"
check "bmp info" bash -c "'$cli' info '$dir/a.bmp' | head -3 | tr '\n' '|' | grep -qx 'BMP|48x32 pixels|24 bits|'"
# A progressive frame header (FF C2), not a baseline one (FF C0).
check "progressive output" bash -c "od -An -tx1 -v '$dir/b.JPG' | tr -d ' \n' | grep -q ffc2"

"$cli" convert "$dir/a.bmp" "$dir/c.pcx" 2>/dev/null
check "unwritable format exits 2" test $? -eq 2
check "and leaves no file" test ! -e "$dir/c.pcx"
"$cli" convert "$dir/missing.jpg" "$dir/d.bmp" 2>/dev/null
check "unreadable input exits 2" test $? -eq 2
"$cli" convert "$dir/a.bmp" "$dir/e.jpg" --quality 101 2>/dev/null
check "bad quality exits 1" test $? -eq 1
"$cli" info 2>/dev/null
check "info without a file exits 1" test $? -eq 1
check "only the expected files" test "$(ls -A "$dir" | tr '\n' ' ')" = "a.bmp b.JPG "

# A 2 x 2 one-bit palette BMP: its depth line is the file's.
printf 'BM\x46\0\0\0\0\0\0\0\x3e\0\0\0\x28\0\0\0\2\0\0\0\2\0\0\0\1\0\1\0' >"$dir/one.bmp"
printf '\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' >>"$dir/one.bmp"
printf '\0\0\0\0\xff\xff\xff\0\x80\0\0\0\x40\0\0\0' >>"$dir/one.bmp"
check "one-bit bmp info" bash -c "'$cli' info '$dir/one.bmp' | head -3 | tr '\n' '|' | grep -qx 'BMP|2x2 pixels|1 bit|'"

# A conversion onto a symbolic link writes the file it points to.
cp "$dir/a.bmp" "$dir/kept.bmp"
ln -s kept.bmp "$dir/link.bmp"
check "convert onto a link" "$cli" convert "$dir/b.JPG" "$dir/link.bmp"
check "the link stays a link" test -L "$dir/link.bmp"
check "its target holds the new picture" bash -c "! cmp -s '$dir/a.bmp' '$dir/kept.bmp'"

# A photographer's camera data and copyright survive a conversion; the block
# the program writes keeps its own values.
cp "$dir/b.JPG" "$dir/camera.jpg"
exiftool -q -overwrite_original -Make=Velicam -Model="V 24" -DateTimeOriginal="2024:05:06 07:08:09" \
  -Copyright="(c) A. Photographer" -Orientation#=1 "$dir/camera.jpg"
check "convert carries camera data" "$cli" convert "$dir/camera.jpg" "$dir/carried.jpg"
tags=$(exiftool -s -s -s -Make -Model -DateTimeOriginal -Copyright -Software "$dir/carried.jpg" | tr '\n' '|')
check "make, model, capture date, copyright and software" \
  test "$tags" = "Velicam|V 24|2024:05:06 07:08:09|(c) A. Photographer|Velinor|"
rm -f "$dir/camera.jpg" "$dir/carried.jpg"

finish "cli convert/info"
