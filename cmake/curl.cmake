# The libcurl that http:// posts go through, linked in: Debian's curl source
# built for plain HTTP alone by the scripts' helper into build-deps/ (the
# first configure builds it). platform/posix/curl_web_post.cpp loads the
# system's libcurl for the rest. MD5 comes from OpenSSL's static libcrypto:
# only its MD5 objects are linked.
include(cmake/dependency_dir.cmake)
qmon_dependency_dir(QMON_CURL_HTTP_DIR qmon_curl_http lib/libcurl.a
  "HTTP-only static libcurl's install folder")
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
