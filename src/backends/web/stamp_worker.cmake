# Writes the service worker (SW_IN to SITE/sw.js) with the list of files it keeps and a cache
# name stamped from their contents, so every new build replaces the cache the last one filled.
# Usage: cmake -DSW_IN=... -DSITE=... -DFILES=a|b|c -P stamp_worker.cmake
cmake_minimum_required(VERSION 3.20)
string(REPLACE "|" ";" files "${FILES}")
set(contents "")
set(quoted "'./'")
foreach(name IN LISTS files)
  file(SHA256 ${SITE}/${name} hash)
  string(APPEND contents "${name}:${hash}\n")
  string(APPEND quoted ", '${name}'")
endforeach()
string(SHA256 stamp "${contents}")
string(SUBSTRING "${stamp}" 0 16 stamp)
file(READ ${SW_IN} text)
string(REPLACE "BUILD_STAMP" "${stamp}" text "${text}")
string(REPLACE "KEPT_FILES" "${quoted}" text "${text}")
file(WRITE ${SITE}/sw.js.new "${text}")
file(RENAME ${SITE}/sw.js.new ${SITE}/sw.js)
