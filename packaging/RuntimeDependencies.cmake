# varno_runtime_dependencies(<out> EXECUTABLES ... LIBRARIES ...): the DLLs that these import, directly
# or through each other, found in VARNO_DLL_DIRECTORIES. Windows' own DLLs (in
# VARNO_SYSTEM_DLL_DIRECTORIES, or System32) are left out. Used in script mode, at install time and
# after the transport library is built.
#
# CMake looks an imported name up as written in the import table, lower-cased ("qt6core.dll"); on a
# case-sensitive file system (cross builds) that misses "Qt6Core.dll", so a name it cannot find is
# looked up again without regard to case, and that DLL's own imports are followed in turn.
if(CMAKE_HOST_UNIX)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM "windows+pe")
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL "objdump")
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${VARNO_OBJDUMP}")
endif()

function(varno_runtime_dependencies out)
  cmake_parse_arguments(ARG "" "" "EXECUTABLES;LIBRARIES" ${ARGN})
  set(found "")
  set(executables ${ARG_EXECUTABLES})
  set(libraries ${ARG_LIBRARIES})
  while(executables OR libraries)
    file(GET_RUNTIME_DEPENDENCIES
      RESOLVED_DEPENDENCIES_VAR resolved
      UNRESOLVED_DEPENDENCIES_VAR unresolved
      EXECUTABLES ${executables}
      LIBRARIES ${libraries}
      DIRECTORIES ${VARNO_DLL_DIRECTORIES} ${VARNO_SYSTEM_DLL_DIRECTORIES}
      PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
      POST_EXCLUDE_REGEXES "[Ss][Yy][Ss][Tt][Ee][Mm]32" ${VARNO_SYSTEM_DLL_DIRECTORIES})
    set(executables "")
    set(libraries "")
    foreach(name IN LISTS unresolved)
      set(match "")
      foreach(directory IN LISTS VARNO_DLL_DIRECTORIES)
        file(GLOB candidates "${directory}/*.dll")
        foreach(candidate IN LISTS candidates)
          get_filename_component(candidate_name "${candidate}" NAME)
          string(TOLOWER "${candidate_name}" candidate_name)
          if(candidate_name STREQUAL name)
            set(match "${candidate}")
          endif()
        endforeach()
      endforeach()
      if(NOT match)
        message(FATAL_ERROR "${name} is imported but found in none of: ${VARNO_DLL_DIRECTORIES}")
      endif()
      list(FIND found "${match}" index)
      if(index EQUAL -1)
        list(APPEND libraries "${match}")
      endif()
      list(APPEND resolved "${match}")
    endforeach()
    list(APPEND found ${resolved})
    list(REMOVE_DUPLICATES found)
  endwhile()
  set(${out} ${found} PARENT_SCOPE)
endfunction()
