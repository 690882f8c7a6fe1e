# pugixml, compiled from Debian's source tree, so that both builds parse with
# the same code. Unless given, the tree is the one the scripts keep in
# build-deps/, fetched there with `apt-get source pugixml` the first time.
# Compact mode: a template's nodes take about a fifth of the memory of the
# default layout, and a large one loads several times faster.
set(QMON_PUGIXML_SOURCE_DIR "" CACHE PATH "pugixml's source tree, from apt-get source pugixml")
if(NOT QMON_PUGIXML_SOURCE_DIR)
  execute_process(
    COMMAND bash -c "source scripts/lib/common.sh && qmon_pugixml_source"
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE fetched OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE fetch_result)
  if(fetch_result EQUAL 0)
    set(QMON_PUGIXML_SOURCE_DIR "${fetched}" CACHE PATH "pugixml's source tree" FORCE)
  endif()
endif()
if(NOT EXISTS "${QMON_PUGIXML_SOURCE_DIR}/src/pugixml.cpp")
  message(FATAL_ERROR "no pugixml source tree: fetching it into build-deps/ failed "
    "(or give QMON_PUGIXML_SOURCE_DIR)")
endif()
add_library(pugixml STATIC ${QMON_PUGIXML_SOURCE_DIR}/src/pugixml.cpp)
target_include_directories(pugixml SYSTEM PUBLIC ${QMON_PUGIXML_SOURCE_DIR}/src)
target_compile_definitions(pugixml PUBLIC PUGIXML_COMPACT PUGIXML_NO_XPATH)
