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
  [seam]="seam"
  [world]="world"
  [figure]="world figure"
  [game]="seam world figure game"
  [render]="seam world figure game render"
  [app]="seam world figure game render app"
  [platform/raster]="seam platform/raster platform/safe_write"
  [platform/loop]="seam app platform/loop"
)

for layer in seam world figure game render app platform/raster platform/loop; do
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
