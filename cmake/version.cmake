# qmon_add_version_resource(TARGET "File description" "OriginalFilename.ext")
#
# Gives a Windows target (a subproject's too) a VERSIONINFO resource made from
# the top-level project(VERSION): 2.0.21 becomes the binary version 2,0,0,21
# (major, minor, 0, revision), the fields the program reads back as its own
# version, and the text "2.0.21".
enable_language(RC)
set(QMON_VERSION_RC_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)

function(qmon_add_version_resource target description filename)
  get_target_property(type ${target} TYPE)
  if(type MATCHES "^(SHARED|MODULE)_LIBRARY$")
    set(QMON_RC_FILETYPE VFT_DLL)
  else()
    set(QMON_RC_FILETYPE VFT_APP)
  endif()
  set(QMON_RC_DESCRIPTION "${description}")
  set(QMON_RC_FILENAME "${filename}")
  get_filename_component(QMON_RC_INTERNAL_NAME "${filename}" NAME_WE)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${QMON_VERSION_RC_TEMPLATE} ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
