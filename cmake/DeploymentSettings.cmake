# The program's outside addresses and API account are compiled in. VARNO_DEPLOYMENT names the profile:
#   sandbox     (default) the local sandbox's addresses, account and CA, for development and tests;
#   production  every setting given on the command line (-DVARNO_API_URL=... and so on, the CA bundle
#               too, empty for the system's roots only), none of them the sandbox's.
set(VARNO_DEPLOYMENT sandbox CACHE STRING "Deployment profile: sandbox or production")
set_property(CACHE VARNO_DEPLOYMENT PROPERTY STRINGS sandbox production)
include(${CMAKE_CURRENT_LIST_DIR}/DeploymentChecks.cmake)
set(_varno_deployment_settings VARNO_GATEWAY_URL VARNO_API_URL VARNO_API_USER VARNO_API_PASSWORD VARNO_ISSUER_KEY
                               VARNO_CA_BUNDLE)
set(_varno_sandbox_user "integration@sandbox.varno.test")
set(_varno_sandbox_password "Sbx-Pass#2026!x")
set(_varno_sandbox_issuer_key "5f2c9e0a7b3d41e68c1f0a9b2d4e6f80")

if(VARNO_DEPLOYMENT STREQUAL "production")
  set(_varno_missing "")
  foreach(var IN LISTS _varno_deployment_settings)
    if(NOT DEFINED ${var})
      list(APPEND _varno_missing ${var})
    endif()
  endforeach()
  if(_varno_missing)
    list(JOIN _varno_missing ", " _varno_missing)
    message(FATAL_ERROR "A production build takes every deployment setting from the command line; missing: "
                        "${_varno_missing} (VARNO_CA_BUNDLE may be empty: the system's roots only)")
  endif()
elseif(NOT VARNO_DEPLOYMENT STREQUAL "sandbox")
  message(FATAL_ERROR "VARNO_DEPLOYMENT must be sandbox or production, got '${VARNO_DEPLOYMENT}'")
endif()

set(VARNO_GATEWAY_URL "https://localhost:8443" CACHE STRING "Gateway web service base address (https)")
set(VARNO_API_URL "https://localhost:8443" CACHE STRING "Configurator API base address (https)")
set(VARNO_API_USER "${_varno_sandbox_user}" CACHE STRING "Configurator API account user name (e-mail)")
set(VARNO_API_PASSWORD "${_varno_sandbox_password}" CACHE STRING "Configurator API account password (15 printable ASCII)")
set(VARNO_ISSUER_KEY "${_varno_sandbox_issuer_key}" CACHE STRING "Zedir-Issuer header value (32 lower-case hex)")
set(VARNO_CA_BUNDLE "${VARNO_CERT_DIR}/ca.pem" CACHE FILEPATH
    "Extra trusted CA certificates (PEM), may be empty; their contents are compiled in")

foreach(var VARNO_GATEWAY_URL VARNO_API_URL)
  string(REGEX REPLACE "/+$" "" ${var}_BASE "${${var}}")  # paths are appended with their own slash
  if(NOT "${${var}}" MATCHES "^https://[^/?#@ ]+(/[^?# ]*)?$")
    message(FATAL_ERROR "${var} must be an https URL without query or user information, got '${${var}}'")
  endif()
  # The host alone, brackets kept, without port.
  string(REGEX REPLACE "^https://([^/]*).*$" "\\1" _varno_host "${${var}}")
  if(NOT _varno_host MATCHES "^\\[")
    string(REGEX REPLACE ":.*$" "" _varno_host "${_varno_host}")
  else()
    string(REGEX REPLACE "^(\\[.*\\]).*$" "\\1" _varno_host "${_varno_host}")
  endif()
  set(${var}_HOST "${_varno_host}")
  varno_host_is_loopback("${_varno_host}" ${var}_IS_LOOPBACK)
endforeach()
if(NOT VARNO_API_USER MATCHES "^[A-Za-z0-9.!#$%&'*+/=?^_`{|}~-]+@[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)*$")
  message(FATAL_ERROR "VARNO_API_USER must be an e-mail address, got '${VARNO_API_USER}'")
endif()
string(LENGTH "${VARNO_API_PASSWORD}" _varno_pw_length)
if(NOT _varno_pw_length EQUAL 15 OR NOT VARNO_API_PASSWORD MATCHES "^[!-~]+$")
  message(FATAL_ERROR "VARNO_API_PASSWORD must be 15 printable ASCII characters")
endif()
if(NOT VARNO_ISSUER_KEY MATCHES "^[0-9a-f]+$")
  message(FATAL_ERROR "VARNO_ISSUER_KEY must be 32 lower-case hexadecimal digits")
endif()
string(LENGTH "${VARNO_ISSUER_KEY}" _varno_key_length)
if(NOT _varno_key_length EQUAL 32)
  message(FATAL_ERROR "VARNO_ISSUER_KEY must be 32 lower-case hexadecimal digits")
endif()
# The bundle's contents, not its path, go into the program: the installed program trusts exactly what
# its build was given, wherever it runs. They are written as bytes, since MSVC limits string literals.
set(VARNO_CA_CERTIFICATES_BYTES "")
set(VARNO_TRUSTS_SANDBOX_CA FALSE) # this tree's, which signed its test servers' certificates
set(VARNO_BUNDLE_HOLDS_A_SANDBOX_CA FALSE) # any tree's
if(NOT VARNO_CA_BUNDLE STREQUAL "")
  if(NOT EXISTS "${VARNO_CA_BUNDLE}" OR IS_DIRECTORY "${VARNO_CA_BUNDLE}")
    message(FATAL_ERROR "VARNO_CA_BUNDLE names no readable file: '${VARNO_CA_BUNDLE}'")
  endif()
  varno_read_ca_bundle("${VARNO_CA_BUNDLE}" VARNO_CA_CERTIFICATES_BYTES _varno_ca_certificates)
  varno_sandbox_cas_in("${_varno_ca_certificates}" "${VARNO_CERT_DIR}/ca.key" VARNO_BUNDLE_HOLDS_A_SANDBOX_CA
                       VARNO_TRUSTS_SANDBOX_CA)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${VARNO_CA_BUNDLE}")
endif()

# A production build vouches for nothing of the sandbox's: a CA of any tree's (whose key lies in the tree),
# a loopback address, or its account (a build folder first configured as a sandbox keeps them).
if(VARNO_DEPLOYMENT STREQUAL "production")
  if(VARNO_BUNDLE_HOLDS_A_SANDBOX_CA)
    message(FATAL_ERROR "A production build must not trust the sandbox's CA (VARNO_CA_BUNDLE holds a sandbox CA: "
                        "its mark, loopback-only name constraints or this tree's CA key)")
  endif()
  foreach(var VARNO_GATEWAY_URL VARNO_API_URL)
    # curl decodes a host's percent-encoding and maps full-width characters: what it would reach is not
    # what the check reads.
    if(${var}_HOST MATCHES "[^ -~]|%")
      message(FATAL_ERROR "A production build needs hosts written plainly; ${var}'s host holds a '%' or a character "
                          "outside ASCII (give an international name in its xn-- form): '${${var}}'")
    endif()
    if(${var}_IS_LOOPBACK)
      message(FATAL_ERROR "A production build needs real addresses; ${var} is a loopback address: '${${var}}'")
    endif()
  endforeach()
  foreach(pair "VARNO_API_USER;_varno_sandbox_user" "VARNO_API_PASSWORD;_varno_sandbox_password"
               "VARNO_ISSUER_KEY;_varno_sandbox_issuer_key")
    list(GET pair 0 var)
    list(GET pair 1 sandbox_value)
    if("${${var}}" STREQUAL "${${sandbox_value}}")
      message(FATAL_ERROR "A production build needs its own account; ${var} is the sandbox's")
    endif()
  endforeach()
endif()

# Turns a CMake string into a C++ raw string literal, so quotes and backslashes need no care; the
# delimiter is longer than a password can be.
function(varno_cxx_literal out value)
  set(${out} "R\"varno_deployment(${value})varno_deployment\"" PARENT_SCOPE)
endfunction()
varno_cxx_literal(VARNO_GATEWAY_URL_LITERAL "${VARNO_GATEWAY_URL_BASE}")
varno_cxx_literal(VARNO_API_URL_LITERAL "${VARNO_API_URL_BASE}")
foreach(var VARNO_API_USER VARNO_API_PASSWORD VARNO_ISSUER_KEY)
  varno_cxx_literal(${var}_LITERAL "${${var}}")
endforeach()
# The sandbox is a developer's tool: it holds the program's account only in the sandbox profile, and
# its own otherwise (a production account is compiled into the program alone).
if(VARNO_DEPLOYMENT STREQUAL "production")
  varno_cxx_literal(VARNO_SANDBOX_USER_LITERAL "${_varno_sandbox_user}")
  varno_cxx_literal(VARNO_SANDBOX_PASSWORD_LITERAL "${_varno_sandbox_password}")
  varno_cxx_literal(VARNO_SANDBOX_ISSUER_KEY_LITERAL "${_varno_sandbox_issuer_key}")
else()
  set(VARNO_SANDBOX_USER_LITERAL "${VARNO_API_USER_LITERAL}")
  set(VARNO_SANDBOX_PASSWORD_LITERAL "${VARNO_API_PASSWORD_LITERAL}")
  set(VARNO_SANDBOX_ISSUER_KEY_LITERAL "${VARNO_ISSUER_KEY_LITERAL}")
endif()
# What the tests of the real executable need to run against a loopback server of their own: the
# build's API on this machine and the sandbox's CA trusted.
if(VARNO_API_URL_IS_LOOPBACK AND VARNO_TRUSTS_SANDBOX_CA)
  set(VARNO_TESTS_CAN_SERVE_BUILT_IN_API 1)
else()
  set(VARNO_TESTS_CAN_SERVE_BUILT_IN_API 0)
endif()

# What the Windows package and the executable say of themselves.
set(VARNO_PUBLISHER "Module_Varno" CACHE STRING "Publisher shown in the version resource and in Apps & Features")
set(VARNO_FILE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
string(REPLACE "." "," VARNO_FILE_VERSION_COMMAS "${VARNO_FILE_VERSION}")
if(VARNO_DEPLOYMENT STREQUAL "production")
  set(VARNO_PACKAGE_NAME "Module_Varno-${PROJECT_VERSION}-win64")
else()
  set(VARNO_PACKAGE_NAME "Module_Varno-${PROJECT_VERSION}-${VARNO_DEPLOYMENT}-win64")
endif()
