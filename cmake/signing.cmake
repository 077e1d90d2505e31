# Authenticode signing of every program and library the build makes, with osslsigncode.
#
#   KV_SIGN_CERT, KV_SIGN_KEY   the certificate (PEM, with its chain) and its private key (PEM,
#                               or with KV_SIGN_PKCS11_MODULE the key's PKCS#11 URI). When
#                               neither gives them, the build makes a throwaway test
#                               certificate once per build tree (signing/test-cert.pem), so
#                               every build is signed.
#   KV_SIGN_PASSFILE            a file holding the key's passphrase or the token's PIN
#   KV_SIGN_TIMESTAMP_URL       an RFC 3161 time-stamping service; empty: no time-stamp
#   KV_SIGN_PKCS11_MODULE       the PKCS#11 module of the token or security module that
#                               holds the key; empty: the key is a file
#   KV_SIGN_PKCS11_ENGINE       OpenSSL's engine library for PKCS#11; empty: its default
#
# Each is a cache variable or, when that is empty, taken from the environment.
#
# kv_sign(target) signs the target's file right after it is linked, before anything packs
# or sums it, and records the file's SHA-256 in signing/sums/<file>.sha256, so the
# Signatures test can tell the signature is the last change made to it.
foreach(v KV_SIGN_CERT KV_SIGN_KEY KV_SIGN_PASSFILE KV_SIGN_TIMESTAMP_URL KV_SIGN_PKCS11_MODULE
          KV_SIGN_PKCS11_ENGINE)
  if(NOT ${v} AND DEFINED ENV{${v}})
    set(${v} "$ENV{${v}}" CACHE STRING "" FORCE)
  endif()
endforeach()
set(KV_SIGN_CERT "" CACHE FILEPATH "PEM certificate to sign with (empty: a test certificate)")
# A string, not a file path: a PKCS#11 URI must not be made into a path.
set(KV_SIGN_KEY "" CACHE STRING "PEM private key of KV_SIGN_CERT, or its PKCS#11 URI")
set(KV_SIGN_PASSFILE "" CACHE FILEPATH "File holding the passphrase of KV_SIGN_KEY")
set(KV_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamping service (empty: none)")
set(KV_SIGN_PKCS11_MODULE "" CACHE FILEPATH "PKCS#11 module holding KV_SIGN_KEY (empty: a key file)")
set(KV_SIGN_PKCS11_ENGINE "" CACHE FILEPATH "OpenSSL PKCS#11 engine library (empty: the default)")

find_program(KV_OSSLSIGNCODE osslsigncode REQUIRED)
set(KV_SIGN_DIR ${CMAKE_BINARY_DIR}/signing)
file(MAKE_DIRECTORY ${KV_SIGN_DIR}/sums)

if(KV_SIGN_CERT OR KV_SIGN_KEY)
  if(NOT KV_SIGN_CERT OR NOT KV_SIGN_KEY)
    message(FATAL_ERROR "KV_SIGN_CERT and KV_SIGN_KEY are given together, or neither")
  endif()
  set(KV_SIGN_CERT_IN_USE ${KV_SIGN_CERT})
  set(KV_SIGN_KEY_IN_USE ${KV_SIGN_KEY})
else()
  set(KV_SIGN_CERT_IN_USE ${KV_SIGN_DIR}/test-cert.pem)
  set(KV_SIGN_KEY_IN_USE ${KV_SIGN_DIR}/test-key.pem)
  if(NOT EXISTS ${KV_SIGN_CERT_IN_USE} OR NOT EXISTS ${KV_SIGN_KEY_IN_USE})
    find_program(KV_OPENSSL openssl REQUIRED)
    execute_process(
      COMMAND ${KV_OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 3650
              -subj "/CN=KORVID Pro Test Signing (not trusted)"
              -addext "keyUsage=critical,digitalSignature"
              -addext "extendedKeyUsage=codeSigning"
              -keyout ${KV_SIGN_KEY_IN_USE} -out ${KV_SIGN_CERT_IN_USE}
      RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "openssl could not make the test signing certificate: ${err}")
    endif()
    message(STATUS "Signing with a test certificate made for this build tree: ${KV_SIGN_CERT_IN_USE}")
  endif()
endif()

function(kv_sign target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND bash ${PROJECT_SOURCE_DIR}/tools/sign.sh ${KV_OSSLSIGNCODE} $<TARGET_FILE:${target}>
            ${KV_SIGN_CERT_IN_USE} ${KV_SIGN_KEY_IN_USE} ${KV_SIGN_DIR}/sums
            "${KV_SIGN_PASSFILE}" "${KV_SIGN_TIMESTAMP_URL}" "${KV_SIGN_PKCS11_MODULE}"
            "${KV_SIGN_PKCS11_ENGINE}"
    VERBATIM)
endfunction()
