#!/usr/bin/env bash
# plyview stands beside the catalogue viewer, not on it:
#   - no source of plyview's or of its page reaches, through its includes, a header that declares
#     the catalogue viewer's scene store or frame code (g++ -MM lists every header reached);
#   - plyview's link map, and the page's link command, name no object built from render/,
#     input/ or app/, nor the library that holds them, and the shared source lists hold none.
#
#   tests/apart.sh ROOT PLYVIEW_MAP [PAGE_LINK_COMMAND]
set -euo pipefail
root=$1
map=$2
page_link=${3:-}
failed=0

forbidden_headers='(^|[ /])(model/model\.h|render/render\.h|input/input\.h|app/app\.h|gpu/gpu\.h)( |$)'
for source in "$root"/plyview/*.cpp "$root"/plyview/*.h "$root"/web/*.cpp "$root"/web/*.h; do
  # -MG: the page's own headers (emscripten.h) need not be installed to be listed.
  deps=$(g++ -std=c++17 -MM -MG -I"$root" -I"$root/web/include" "$source" | tr -d '\\\n')
  if grep -Eq "$forbidden_headers" <<<"$deps"; then
    echo "apart: ${source#"$root"/} reaches $(grep -Eo "$forbidden_headers" <<<"$deps" | head -1)"
    failed=1
  fi
done

forbidden_objects='libplyviewer_core\.a|/(render|input|app)/[^ ]*\.o'
check_linked() {  # what: a link map or a link command
  local what=$1 file=$2
  if [ ! -s "$file" ]; then
    echo "apart: no $what at $file"
    failed=1
  elif grep -Eq "$forbidden_objects" "$file"; then
    echo "apart: the $what links $(grep -Eo "$forbidden_objects" "$file" | sort -u | tr '\n' ' ')"
    failed=1
  fi
}
check_linked "plyview link map" "$map"
# Archive members carry no folder in a link map: the lists the shared libraries are built from
# must hold none of the catalogue viewer's sources either.
for list in PLY_SHARED_SOURCES PLYVIEW_SHARED_SOURCES; do
  if awk -v list="$list" '$0 ~ "set\\(" list "$" {on = 1; next} on {print} /\)/ {on = 0}' \
    "$root/cmake/sources.cmake" | grep -Eq '^ *(render|input|app)/'; then
    echo "apart: $list in cmake/sources.cmake holds a source of the catalogue viewer"
    failed=1
  fi
done
if [ -n "$page_link" ]; then
  check_linked "page's link command" "$page_link"
fi

if [ "$failed" -ne 0 ]; then
  exit 1
fi
echo "apart: plyview and its page reach no header of the catalogue viewer and link none of it"
