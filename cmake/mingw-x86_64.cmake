# 64-bit Windows (x64), the build the tests run under Wine:
# cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
set(QMON_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
