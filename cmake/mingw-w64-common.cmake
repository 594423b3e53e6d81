# Shared part of the MinGW-w64 toolchain files: Debian's posix-thread
# compilers (GoogleTest's std::mutex needs them) for the triplet that the
# including file names; the results run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${DORVAK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DORVAK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${DORVAK_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${DORVAK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
