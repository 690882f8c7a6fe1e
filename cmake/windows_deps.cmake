# Third-party libraries of the Windows build. Debian ships them for Linux only,
# so they are compiled here from Debian's source trees with the cross compiler.

# pugixml: the same parser as the Linux build's, so both builds write the same
# bytes. scripts/lib/windows.sh fetches the tree with `apt-get source pugixml`.
set(QMON_PUGIXML_SOURCE_DIR "" CACHE PATH "pugixml's source tree, from apt-get source pugixml")
if(NOT EXISTS "${QMON_PUGIXML_SOURCE_DIR}/src/pugixml.cpp")
  message(FATAL_ERROR "QMON_PUGIXML_SOURCE_DIR must name pugixml's source tree "
    "(scripts/build-windows fetches it into build-deps/)")
endif()
add_library(pugixml STATIC ${QMON_PUGIXML_SOURCE_DIR}/src/pugixml.cpp)
target_include_directories(pugixml SYSTEM PUBLIC ${QMON_PUGIXML_SOURCE_DIR}/src)
add_library(pugixml::pugixml ALIAS pugixml)

# googletest from the tree libgtest-dev installs; it defines GTest::gtest & co.
if(QMON_BUILD_TESTS)
  set(QMON_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "googletest's source tree")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QMON_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
