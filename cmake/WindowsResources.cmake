# varno_windows_resources(<executable> <description>): on Windows, the executable's version resource,
# manifest and icon (app/windows), under its own name; nothing elsewhere.
function(varno_windows_resources target description)
  if(NOT WIN32)
    return()
  endif()
  set(VARNO_RESOURCE_NAME ${target})
  set(VARNO_RESOURCE_DESCRIPTION "${description}")
  set(VARNO_RESOURCE_ICON ${PROJECT_SOURCE_DIR}/app/windows/Module_Varno.ico)
  set(VARNO_RESOURCE_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/app/windows/Module_Varno.manifest.in ${VARNO_RESOURCE_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/app/windows/Module_Varno.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  if(MSVC)
    target_link_options(${target} PRIVATE /MANIFEST:NO) # the resource holds it
  endif()
endfunction()
