# pugixml, compiled from Debian's source tree (the scripts fetch it into
# build-deps/ with `apt-get source pugixml`), so that both builds parse with
# the same code. Compact mode: a template's nodes take about a fifth of the
# memory of the default layout, and a large one loads several times faster.
set(QMON_PUGIXML_SOURCE_DIR "" CACHE PATH "pugixml's source tree, from apt-get source pugixml")
if(NOT EXISTS "${QMON_PUGIXML_SOURCE_DIR}/src/pugixml.cpp")
  message(FATAL_ERROR "QMON_PUGIXML_SOURCE_DIR must name pugixml's source tree "
    "(the scripts' qmon_pugixml_source fetches it into build-deps/)")
endif()
add_library(pugixml STATIC ${QMON_PUGIXML_SOURCE_DIR}/src/pugixml.cpp)
target_include_directories(pugixml SYSTEM PUBLIC ${QMON_PUGIXML_SOURCE_DIR}/src)
target_compile_definitions(pugixml PUBLIC PUGIXML_COMPACT)
