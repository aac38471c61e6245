# Authenticode signatures for the files that ship (Windows build): spanfinder_sign(target)
# signs the target's file in place with osslsigncode each time it is linked.
#   SIGN_PFX            the maintainer's certificate and key (PKCS#12); empty: a test
#                       certificate made once in build/windows/test-signing
#   SIGN_PASSWORD_FILE  a file holding the PFX's password (first line)
# osslsigncode writes the PE checksum of the signed file (the kernel checks a driver's).
set(SIGN_PFX "$ENV{SIGN_PFX}" CACHE FILEPATH "PKCS#12 file to sign the shipped files with (empty: a test certificate)")
set(SIGN_PASSWORD_FILE "$ENV{SIGN_PASSWORD_FILE}" CACHE FILEPATH "File holding the password of SIGN_PFX")
find_program(OSSLSIGNCODE osslsigncode REQUIRED)

if(SIGN_PFX)
  if(NOT EXISTS "${SIGN_PFX}")
    message(FATAL_ERROR "SIGN_PFX: no such file: ${SIGN_PFX}")
  endif()
  if(NOT SIGN_PASSWORD_FILE OR NOT EXISTS "${SIGN_PASSWORD_FILE}")
    message(FATAL_ERROR "SIGN_PFX needs SIGN_PASSWORD_FILE, a file holding its password")
  endif()
  set(SPANFINDER_TEST_SIGNED OFF)
  set(signing_pfx "${SIGN_PFX}")
  set(signing_password_file "${SIGN_PASSWORD_FILE}")
else()
  set(SPANFINDER_TEST_SIGNED ON)
  set(SPANFINDER_TEST_CERTIFICATE_DIR ${CMAKE_BINARY_DIR}/test-signing)
  set(SPANFINDER_TEST_CERTIFICATE ${SPANFINDER_TEST_CERTIFICATE_DIR}/Spanfinder-test-signing.cer)
  set(signing_pfx ${SPANFINDER_TEST_CERTIFICATE_DIR}/Spanfinder-test-signing.pfx)
  set(signing_password_file ${SPANFINDER_TEST_CERTIFICATE_DIR}/password.txt)
  add_custom_command(OUTPUT ${signing_pfx} ${SPANFINDER_TEST_CERTIFICATE}
    COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/test-certificate.sh ${SPANFINDER_TEST_CERTIFICATE_DIR}
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/test-certificate.sh
    COMMENT "Test code-signing certificate")
  add_custom_target(spanfinder_test_certificate DEPENDS ${signing_pfx} ${SPANFINDER_TEST_CERTIFICATE})
endif()

# Which certificate signs: a file whose change (and the PFX's) links the signed files
# again, and so signs them again.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/signing-with.txt CONTENT "${signing_pfx}\n")

function(spanfinder_sign target)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${CMAKE_BINARY_DIR}/signing-with.txt ${signing_pfx})
  if(SPANFINDER_TEST_SIGNED)
    add_dependencies(${target} spanfinder_test_certificate)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/sign-pe.sh ${OSSLSIGNCODE} $<TARGET_FILE:${target}>
            ${signing_pfx} ${signing_password_file}
    COMMENT "Signing ${target}")
endfunction()
