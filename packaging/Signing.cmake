# Authenticode signing (SHA-256) with osslsigncode, in place. Included by the install step and by
# BuildMsi.cmake. Input variables: VARNO_SIGN_CERT, VARNO_SIGN_KEY (PEM or DER files; an empty
# certificate: no signing), VARNO_SIGN_TOOL.
function(varno_sign)
  if(VARNO_SIGN_CERT STREQUAL "")
    return()
  endif()
  foreach(file IN LISTS ARGN)
    execute_process(COMMAND "${VARNO_SIGN_TOOL}" sign -certs "${VARNO_SIGN_CERT}" -key "${VARNO_SIGN_KEY}" -h sha256
                            -n Module_Varno -in "${file}" -out "${file}.signed"
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE error)
    if(NOT status EQUAL 0)
      file(REMOVE "${file}.signed")
      message(FATAL_ERROR "signing ${file} failed: ${error}")
    endif()
    file(RENAME "${file}.signed" "${file}")
  endforeach()
endfunction()

# Every PE file of a program folder.
function(varno_sign_folder folder)
  file(GLOB_RECURSE binaries "${folder}/*.exe" "${folder}/*.dll")
  varno_sign(${binaries})
endfunction()

# In script mode (cmake -DVARNO_SIGN_FOLDER=... -P Signing.cmake), as the install step does.
if(DEFINED VARNO_SIGN_FOLDER)
  varno_sign_folder("${VARNO_SIGN_FOLDER}")
endif()
