# 32-bit Windows (x86), the build that ships: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(QMON_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
