# Run at install time (cpack): copies into the package the DLLs that the executable and the plugins
# import, directly or through each other, from the toolchain's folders. Windows' own DLLs are left out.
#
# Input variables: VARNO_EXECUTABLE, VARNO_PLUGINS, VARNO_DLL_DIRECTORIES, VARNO_SYSTEM_DLL_DIRECTORIES,
# VARNO_DESTINATION.
#
# CMake looks an imported name up as written in the import table, lower-cased ("qt6core.dll"); on a
# case-sensitive file system (cross builds) that misses "Qt6Core.dll", so a name it cannot find is
# looked up again without regard to case, and that DLL's own imports are followed in turn.
set(_shipped "")
set(_executables "${VARNO_EXECUTABLE}")
set(_libraries ${VARNO_PLUGINS})
while(_executables OR _libraries)
  file(GET_RUNTIME_DEPENDENCIES
    RESOLVED_DEPENDENCIES_VAR _resolved
    UNRESOLVED_DEPENDENCIES_VAR _unresolved
    EXECUTABLES ${_executables}
    LIBRARIES ${_libraries}
    DIRECTORIES ${VARNO_DLL_DIRECTORIES} ${VARNO_SYSTEM_DLL_DIRECTORIES}
    PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
    POST_EXCLUDE_REGEXES "[Ss][Yy][Ss][Tt][Ee][Mm]32" ${VARNO_SYSTEM_DLL_DIRECTORIES})
  set(_executables "")
  set(_libraries "")
  foreach(_name IN LISTS _unresolved)
    set(_found "")
    foreach(_directory IN LISTS VARNO_DLL_DIRECTORIES)
      file(GLOB _candidates "${_directory}/*.dll")
      foreach(_candidate IN LISTS _candidates)
        get_filename_component(_candidate_name "${_candidate}" NAME)
        string(TOLOWER "${_candidate_name}" _candidate_name)
        if(_candidate_name STREQUAL _name)
          set(_found "${_candidate}")
        endif()
      endforeach()
    endforeach()
    if(NOT _found)
      message(FATAL_ERROR "${_name} is imported but found in none of: ${VARNO_DLL_DIRECTORIES}")
    endif()
    list(FIND _shipped "${_found}" _index)
    if(_index EQUAL -1)
      list(APPEND _libraries "${_found}")
    endif()
    list(APPEND _resolved "${_found}")
  endforeach()
  list(APPEND _shipped ${_resolved})
  list(REMOVE_DUPLICATES _shipped)
endwhile()
file(INSTALL ${_shipped} DESTINATION "${CMAKE_INSTALL_PREFIX}/${VARNO_DESTINATION}")
