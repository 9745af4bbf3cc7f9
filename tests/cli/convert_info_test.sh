#!/usr/bin/env bash
# convert and info on a small JPEG: formats, options, exit codes, and that a
# failed conversion leaves nothing behind.
set -u
cli=$1
input=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
check() {  # description, then a command that must succeed
  local what=$1
  shift
  if ! "$@"; then
    echo "FAILED: $what"
    failures=$((failures + 1))
  fi
}

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

if [ "$failures" -eq 0 ]; then echo "cli convert/info: all passed"; fi
exit "$failures"
