# Run by CPack on the staged files before the package is made: the programs move from usr/bin
# to usr/games, where Debian keeps games (the data folder is ../share/kueruma from there too).
set(staged "${CPACK_TEMPORARY_DIRECTORY}/usr")
file(RENAME "${staged}/bin" "${staged}/games" RESULT moved)
if(NOT moved EQUAL 0)
  message(FATAL_ERROR "cannot move ${staged}/bin to ${staged}/games: ${moved}")
endif()
