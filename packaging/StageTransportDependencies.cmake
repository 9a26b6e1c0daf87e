# Run after the transport library is built: copies beside it the DLLs that it imports and the program
# has not loaded already with Qt Core, since Windows looks for them in that folder and System32 only.
# The build tree's program then runs as the installed one does.
#
# Input variables: VARNO_TRANSPORT, VARNO_QT_CORE, VARNO_DLL_DIRECTORIES, VARNO_SYSTEM_DLL_DIRECTORIES,
# VARNO_OBJDUMP (the folder lists separated by "|").
string(REPLACE "|" ";" VARNO_DLL_DIRECTORIES "${VARNO_DLL_DIRECTORIES}")
string(REPLACE "|" ";" VARNO_SYSTEM_DLL_DIRECTORIES "${VARNO_SYSTEM_DLL_DIRECTORIES}")
include("${CMAKE_CURRENT_LIST_DIR}/RuntimeDependencies.cmake")
varno_runtime_dependencies(needed LIBRARIES "${VARNO_TRANSPORT}")
varno_runtime_dependencies(loaded LIBRARIES "${VARNO_QT_CORE}")
list(APPEND loaded "${VARNO_QT_CORE}")
list(REMOVE_ITEM needed ${loaded})
get_filename_component(folder "${VARNO_TRANSPORT}" DIRECTORY)
file(COPY ${needed} DESTINATION "${folder}")
