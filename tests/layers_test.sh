#!/usr/bin/env bash
# The portable core's layers, checked on every include: each folder may include only itself
# and the folders below it, and no core file includes an OS, SDL, browser or C library header
# (the standard C++ headers have no extension, so an include with a dot or a slash is foreign).
# The emulated message loop keeps to the same rule, so every backend can share it.
# Usage: layers_test.sh SRC_DIR
set -u
src=${1:?usage: layers_test.sh SRC_DIR}
failures=0

# folder: the folders its files may include from (besides the standard library)
declare -A allowed=(
  [numeric]="numeric"
  [seam]="seam"
  [world]="numeric world"
  [figure]="numeric world figure"
  [game]="numeric seam world figure game"
  [render]="numeric seam world figure game render"
  [app]="numeric seam world figure game render app"
  [platform/raster]="numeric seam platform/raster"
  [platform/loop]="seam app platform/loop"
)

for layer in numeric seam world figure game render app platform/raster platform/loop; do
  files=$(find "$src/$layer" -name '*.cpp' -o -name '*.hpp' | sort)
  for file in $files; do
    while IFS= read -r line; do
      include=${line#*\"}
      include=${include%%\"*}
      folder=${include%/*}
      ok=0
      for a in ${allowed[$layer]}; do [ "$folder" = "$a" ] && ok=1; done
      if [ $ok -eq 0 ]; then
        echo "FAIL ${file#"$src"/}: includes \"$include\", above or beside the $layer layer"
        failures=$((failures + 1))
      fi
    done < <(grep -E '^\s*#\s*include\s+"' "$file")
    if [ "$layer" != platform/raster ]; then
      while IFS= read -r line; do
        echo "FAIL ${file#"$src"/}: $line is not a standard C++ header"
        failures=$((failures + 1))
      done < <(grep -oE '^\s*#\s*include\s+<[^>]*[./][^>]*>' "$file")
    fi
  done
  echo "layer $layer: $(echo "$files" | wc -w) files checked"
done

if [ $failures -ne 0 ]; then
  echo "$failures include(s) break the layers"
  exit 1
fi
echo "every include keeps to its layer"

# The C libraries' transcendental functions differ in the last bit from one to another, so the
# core and the raster canvas take sine, cosine and hypot from numeric/ and call none of them.
calls=0
for layer in world figure game render app platform/raster; do
  while IFS= read -r hit; do
    echo "FAIL ${hit#"$src"/}: a C library transcendental function (use numeric/trig.hpp)"
    calls=$((calls + 1))
  done < <(grep -rnE '(^|[^[:alnum:]_.>:])(std::|::)?(a?sinh?|a?cosh?|a?tanh?|atan2|hypot|exp(2|m1)?|log(2|10|1p)?|pow|cbrt|erfc?|[lt]gamma)[fl]?[[:space:]]*\(' \
             --include='*.cpp' --include='*.hpp' "$src/$layer")
done
if [ $calls -ne 0 ]; then
  echo "$calls call(s) to C library transcendental functions in the core or the raster canvas"
  exit 1
fi
echo "no C library transcendental function in the core or the raster canvas"
