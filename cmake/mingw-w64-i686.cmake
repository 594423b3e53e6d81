# 32-bit x86 Windows: the shipped build, which runs on 32-bit and 64-bit
# Windows alike.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(DORVAK_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
