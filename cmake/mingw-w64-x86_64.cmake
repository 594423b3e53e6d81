# 64-bit x86 Windows: kept building and unit-tested so the code stays free
# of pointer-size assumptions.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(DORVAK_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
