#!/usr/bin/env bash
# The libraries' layers, checked on every include: a file under src/ or tools/ may include only
# its own folder and the folders of what its CMake target links (directly, or through a library
# that links it PUBLIC or INTERFACE), as the CMakeLists.txt files say; and no file of the
# portable core, or of the pieces every backend shares, includes an OS, SDL, browser or C
# library header (the standard C++ headers have no extension, so an include with a dot or a
# slash is foreign).
# Usage: layers_test.sh PROJECT_DIR
set -u
root=${1:?usage: layers_test.sh PROJECT_DIR}
src=$root/src
failures=0

fail() {
  echo "FAIL $1"
  failures=$((failures + 1))
}

# --- What each target is made of and links, read from the CMakeLists.txt files ---------------
# Every branch counts (desktop, Windows, browser), so each file is held to all its builds.

declare -A target_files=()   # target: the source files it names (paths from the project root)
declare -A direct_links=()   # target: what it links
declare -A public_links=()   # target: what it passes on to whatever links it
declare -A file_targets=()   # file: the targets that build it
declare -A folder_targets=() # folder: the targets with a file in it

# One CMake command a line, "DIR COMMAND ARGS...", comments dropped.
cmake_commands() {
  local list dir
  while IFS= read -r list; do
    dir=${list%/CMakeLists.txt}
    dir=${dir#"$root"}
    dir=${dir#/}
    awk -v dir="${dir:-.}" '
      { sub(/#.*/, ""); text = text " " $0 }
      END {
        while (match(text, /(add_library|add_executable|target_sources|target_link_libraries)[ \t]*\([^)]*\)/)) {
          command = substr(text, RSTART, RLENGTH)
          text = substr(text, RSTART + RLENGTH)
          gsub(/[()\t]/, " ", command)
          gsub(/ +/, " ", command)
          print dir " " command
        }
      }' "$list"
  done < <(echo "$root/CMakeLists.txt"; find "$root/src" "$root/tools" -name CMakeLists.txt | sort)
}

# A source named in DIR's CMakeLists.txt, as a path from the project root; empty for one that
# is generated or found by a variable.
source_path() {
  local dir=$1 name=$2
  case $name in
  '${PROJECT_SOURCE_DIR}/'* | '${CMAKE_SOURCE_DIR}/'*) echo "${name#*\}/}" ;;
  '${CMAKE_CURRENT_SOURCE_DIR}/'*) echo "$dir/${name#*\}/}" ;;
  *'$'* | *'<'*) ;;
  *) if [ "$dir" = . ]; then echo "$name"; else echo "$dir/$name"; fi ;;
  esac
}

# Executables are never linked, and two may share a name (the desktop and the Windows game):
# each is known by its folder too.
target_key() {
  local dir=$1 command=$2 name=$3
  if [ "$command" = add_executable ]; then echo "$name@$dir"; else echo "$name"; fi
}

add_source() {
  local target=$1 file=$2
  [ -n "$file" ] || return 0
  target_files[$target]+=" $file"
  file_targets[$file]+=" $target"
  folder_targets[${file%/*}]+=" $target"
}

declare -A executable_key=() # "DIR NAME": the key of the executable DIR builds under NAME
while read -r dir command name args; do
  case $command in
  add_library | add_executable)
    key=$(target_key "$dir" "$command" "$name")
    [ "$command" = add_executable ] && executable_key["$dir $name"]=$key
    for word in $args; do
      case $word in
      STATIC | SHARED | MODULE | INTERFACE | OBJECT | WIN32 | EXCLUDE_FROM_ALL) ;;
      *) add_source "$key" "$(source_path "$dir" "$word")" ;;
      esac
    done
    ;;
  target_sources | target_link_libraries)
    key=${executable_key["$dir $name"]:-$name}
    scope=PUBLIC
    for word in $args; do
      case $word in
      PUBLIC | PRIVATE | INTERFACE) scope=$word ;;
      *)
        if [ "$command" = target_sources ]; then
          add_source "$key" "$(source_path "$dir" "$word")"
        else
          direct_links[$key]+=" $word"
          [ "$scope" = PRIVATE ] || public_links[$key]+=" $word"
        fi
        ;;
      esac
    done
    ;;
  esac
done < <(cmake_commands)

# The folders of a target's own files.
target_folders() {
  local file
  for file in ${target_files[$1]:-}; do echo "${file%/*}"; done
}

# The folders a library brings to whatever links it: its own, and those of what it passes on.
passed_on_folders() {
  local link
  target_folders "$1"
  for link in ${public_links[$1]:-}; do passed_on_folders "$link"; done
}

declare -A allowed_cache=()
# The folders a target's files may include from.
target_allowed() {
  local target=$1 link
  if [ -z "${allowed_cache[$target]+set}" ]; then
    allowed_cache[$target]=$({
      target_folders "$target"
      for link in ${direct_links[$target]:-}; do passed_on_folders "$link"; done
    } | sort -u | tr '\n' ' ')
  fi
  echo "${allowed_cache[$target]}"
}

# The targets a file belongs to: those that build it, or build its .cpp; a header of its own
# belongs to every target of its folder.
file_owners() {
  local file=$1
  if [ -n "${file_targets[$file]:-}" ]; then
    echo "${file_targets[$file]}"
  elif [ -n "${file_targets[${file%.hpp}.cpp]:-}" ]; then
    echo "${file_targets[${file%.hpp}.cpp]}"
  else
    echo "${folder_targets[${file%/*}]:-}"
  fi
}

# --- Each include against its targets' links --------------------------------------------------

check_includes() {
  local file=$1 owners allowed target line include folder
  owners=$(file_owners "$file")
  if [ -z "$owners" ]; then
    fail "$file: no CMake target builds it or its folder"
    return
  fi
  allowed=" "
  for target in $owners; do allowed+="$(target_allowed "$target") "; done
  while IFS= read -r line; do
    include=${line#*\"}
    include=${include%%\"*}
    # A name without a folder is its own folder's (the solver's files name each other so).
    if [ "${include#*/}" = "$include" ]; then folder=${file%/*}; else folder=src/${include%/*}; fi
    case $allowed in
    *" $folder "*) ;;
    *) fail "$file: includes \"$include\", which none of$owners links" ;;
    esac
  done < <(grep -E '^\s*#\s*include\s+"' "$root/$file")
}

checked=0
while IFS= read -r path; do
  check_includes "${path#"$root"/}"
  checked=$((checked + 1))
done < <(find "$src" "$root/tools" -name '*.cpp' -o -name '*.hpp' | sort)
echo "includes of $checked files checked against the CMake link lines"

# --- Portable folders: the standard C++ headers only -----------------------------------------

portable="numeric seam world figure game render app host/loop host/driver host/overlay files/script cli"
for folder in $portable; do
  files=$(find "$src/$folder" -name '*.cpp' -o -name '*.hpp' | sort)
  for file in $files; do
    while IFS= read -r line; do
      fail "${file#"$root"/}: $line is not a standard C++ header"
    done < <(grep -oE '^\s*#\s*include\s+<[^>]*[./][^>]*>' "$file")
  done
  echo "folder $folder: $(echo "$files" | wc -w) files hold to the standard headers"
done

# --- The verdict: every check above counts in $failures ----------------------------------------

if [ $failures -ne 0 ]; then
  echo "$failures include(s) break the layers"
  exit 1
fi
echo "every include keeps to its layer"

# The C libraries' transcendental functions differ in the last bit from one to another, so the
# core and the raster canvas take sine, cosine and hypot from numeric/ and call none of them.
calls=0
for layer in world figure game render app raster; do
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
