# qmon_dependency_dir(VAR HELPER FILE DOC): the folder of a third-party tree
# the scripts keep in build-deps/. Unless the cache variable VAR names one,
# the helper of scripts/lib/common.sh (a shell command) prints it, fetching or
# building it the first time; FILE, relative to it, must then exist.
function(qmon_dependency_dir var helper file doc)
  set(${var} "" CACHE PATH "${doc}")
  if(NOT ${var})
    execute_process(
      COMMAND bash -c "source scripts/lib/common.sh && ${helper}"
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
      OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
    if(result EQUAL 0)
      set(${var} "${found}" CACHE PATH "${doc}" FORCE)
    endif()
  endif()
  if(NOT EXISTS "${${var}}/${file}")
    message(FATAL_ERROR "no ${doc} (${var}: \"${${var}}\" has no ${file}; empty, "
      "`${helper}` puts one into build-deps/)")
  endif()
endfunction()
