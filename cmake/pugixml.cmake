# pugixml, compiled from Debian's source tree, so that both builds parse with
# the same code. Unless given, the tree is the one the scripts keep in
# build-deps/, fetched there with `apt-get source pugixml` the first time.
# Compact mode: a template's nodes take about a fifth of the memory of the
# default layout, and a large one loads several times faster.
include(cmake/dependency_dir.cmake)
qmon_dependency_dir(QMON_PUGIXML_SOURCE_DIR "qmon_debian_source pugixml" src/pugixml.cpp
  "pugixml's source tree, from apt-get source pugixml")
add_library(pugixml STATIC ${QMON_PUGIXML_SOURCE_DIR}/src/pugixml.cpp)
target_include_directories(pugixml SYSTEM PUBLIC ${QMON_PUGIXML_SOURCE_DIR}/src)
target_compile_definitions(pugixml PUBLIC PUGIXML_COMPACT PUGIXML_NO_XPATH)
