# Shared part of the mingw-w64 toolchain files: the including file sets
# QMON_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)

# The -posix compilers: the default thread model has no std::thread or std::mutex.
set(CMAKE_C_COMPILER ${QMON_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QMON_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QMON_MINGW_TRIPLET}-windres)

# Libraries and headers come from the target's root only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${QMON_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
