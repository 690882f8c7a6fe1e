# Third-party libraries of the Windows build. Debian ships them for Linux only,
# so they are compiled here from their source trees with the cross compiler.

# googletest from the tree libgtest-dev installs; it defines GTest::gtest & co.
if(QMON_BUILD_TESTS)
  set(QMON_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "googletest's source tree")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QMON_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
