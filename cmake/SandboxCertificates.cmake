# A private CA and a localhost server certificate for the local sandbox and the loopback test servers,
# plus a self-signed certificate that nothing trusts (for the tests that expect a refusal).
# Generated once per build tree with the openssl command. The CA is constrained to the loopback names:
# its key lies in the build tree, so wherever it is trusted it must vouch for nothing else
# (elsewhere.pem, a certificate it signed for another name, shows it). common-name-only.pem names
# localhost in its common name alone, which no client may take as its name.
# On Windows: vcpkg's openssl tool, or the one of Git for Windows.
find_program(OPENSSL_COMMAND openssl REQUIRED
             HINTS "${VCPKG_INSTALLED_DIR}/${VCPKG_TARGET_TRIPLET}/tools/openssl" "$ENV{ProgramFiles}/Git/usr/bin")
set(VARNO_CERT_DIR "${CMAKE_BINARY_DIR}/certs" CACHE INTERNAL "Generated certificates")

function(_varno_openssl)
  execute_process(COMMAND ${OPENSSL_COMMAND} ${ARGN} WORKING_DIRECTORY "${VARNO_CERT_DIR}"
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "openssl ${ARGN} failed: ${err}")
  endif()
endfunction()

if(NOT EXISTS "${VARNO_CERT_DIR}/common-name-only.pem") # a tree of before the newest certificate is made afresh
  file(REMOVE_RECURSE "${VARNO_CERT_DIR}")
  file(MAKE_DIRECTORY "${VARNO_CERT_DIR}")
  file(WRITE "${VARNO_CERT_DIR}/localhost.ext"
    "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n"
    "subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1\n")
  file(WRITE "${VARNO_CERT_DIR}/elsewhere.ext"
    "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n"
    "subjectAltName=DNS:configurateur.varno.example\n")
  file(WRITE "${VARNO_CERT_DIR}/ca.cnf"
    "[req]\ndistinguished_name=dn\n[dn]\n[ca]\nbasicConstraints=critical,CA:TRUE,pathlen:0\n"
    "keyUsage=critical,keyCertSign,cRLSign\nsubjectKeyIdentifier=hash\n"
    "nameConstraints=critical,permitted;DNS:localhost,permitted;IP:127.0.0.0/255.0.0.0,"
    "permitted;IP:::1/ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff\n")
  _varno_openssl(req -x509 -newkey rsa:2048 -nodes -days 3650 -sha256 -keyout ca.key -out ca.pem
                 -subj "/O=Module_Varno sandbox/CN=Module_Varno sandbox CA" -config ca.cnf -extensions ca)
  _varno_openssl(req -newkey rsa:2048 -nodes -sha256 -keyout localhost.key -out localhost.csr
                 -subj "/O=Module_Varno sandbox/CN=localhost")
  _varno_openssl(x509 -req -in localhost.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 3650 -sha256
                 -extfile localhost.ext -out localhost.pem)
  _varno_openssl(req -newkey rsa:2048 -nodes -sha256 -keyout elsewhere.key -out elsewhere.csr
                 -subj "/CN=configurateur.varno.example")
  _varno_openssl(x509 -req -in elsewhere.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 3650 -sha256
                 -extfile elsewhere.ext -out elsewhere.pem)
  file(WRITE "${VARNO_CERT_DIR}/common-name-only.ext"
    "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n")
  _varno_openssl(req -newkey rsa:2048 -nodes -sha256 -keyout common-name-only.key -out common-name-only.csr
                 -subj "/CN=localhost")
  _varno_openssl(x509 -req -in common-name-only.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 3650 -sha256
                 -extfile common-name-only.ext -out common-name-only.pem)
  _varno_openssl(req -x509 -newkey rsa:2048 -nodes -days 3650 -sha256 -keyout untrusted.key -out untrusted.pem
                 -subj "/CN=localhost" -addext "subjectAltName=DNS:localhost,IP:127.0.0.1")
endif()
