# The libcurl that http:// posts go through, linked in: Debian's curl source
# built for plain HTTP alone by the scripts' helper into build-deps/ (the
# first configure builds it). platform/posix/curl_web_post.cpp loads the
# system's libcurl for the rest. MD5 comes from OpenSSL's static libcrypto:
# only its MD5 objects are linked.
set(QMON_CURL_HTTP_DIR "" CACHE PATH "an HTTP-only static libcurl's install folder")
if(NOT QMON_CURL_HTTP_DIR)
  execute_process(
    COMMAND bash -c "source scripts/lib/common.sh && qmon_curl_http"
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE built OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE build_result)
  if(build_result EQUAL 0)
    set(QMON_CURL_HTTP_DIR "${built}" CACHE PATH "the HTTP-only libcurl" FORCE)
  endif()
endif()
if(NOT EXISTS "${QMON_CURL_HTTP_DIR}/lib/libcurl.a")
  message(FATAL_ERROR "no HTTP-only libcurl: building it into build-deps/ failed "
    "(or give QMON_CURL_HTTP_DIR)")
endif()
# Static, so that a run maps no more libraries before it starts (named by
# file: find_package would keep a shared library an earlier configure found).
find_library(QMON_LIBZ_STATIC NAMES libz.a REQUIRED)
find_library(QMON_LIBCRYPTO_STATIC NAMES libcrypto.a REQUIRED)
add_library(curl_http STATIC IMPORTED)
set_target_properties(curl_http PROPERTIES
  IMPORTED_LOCATION ${QMON_CURL_HTTP_DIR}/lib/libcurl.a
  INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
  INTERFACE_INCLUDE_DIRECTORIES ${QMON_CURL_HTTP_DIR}/include
  INTERFACE_LINK_LIBRARIES ${QMON_LIBZ_STATIC})
