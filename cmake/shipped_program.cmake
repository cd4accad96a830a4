# What each program the project ships carries besides its code: a version resource, and, when
# the build is given a certificate, an Authenticode signature (SHA-256, by osslsigncode).
#
#   -DVELMAR_SIGN_PFX=FILE            the code-signing certificate and its private key (PKCS#12);
#                                     without it the programs stay unsigned
#   VELMAR_SIGN_PASSWORD              environment variable that holds the PFX's password when the
#                                     build signs (its name: -DVELMAR_SIGN_PASSWORD_VARIABLE=...)
#   -DVELMAR_SIGN_TIMESTAMP_URL=URL   an RFC 3161 timestamp server (optional)
#
# The password itself never reaches the cache, the build files or a command line.
set(VELMAR_SIGN_PFX "" CACHE FILEPATH
    "PKCS#12 file with the code-signing certificate and key; empty: the programs stay unsigned")
set(VELMAR_SIGN_PASSWORD_VARIABLE "VELMAR_SIGN_PASSWORD" CACHE STRING
    "Name of the environment variable that holds the PFX password while the build signs")
set(VELMAR_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 timestamp server; empty: no timestamp")

if(VELMAR_SIGN_PFX)
  get_filename_component(VELMAR_SIGN_PFX_FILE "${VELMAR_SIGN_PFX}" ABSOLUTE)
  if(NOT EXISTS "${VELMAR_SIGN_PFX_FILE}")
    message(FATAL_ERROR "VELMAR_SIGN_PFX: no such file: ${VELMAR_SIGN_PFX_FILE}")
  endif()
  find_program(VELMAR_OSSLSIGNCODE osslsigncode)
  if(NOT VELMAR_OSSLSIGNCODE)
    message(FATAL_ERROR "VELMAR_SIGN_PFX is set, but osslsigncode is not installed "
                        "(scripts/install-deps installs it)")
  endif()
  set(velmar_signing "signed with ${VELMAR_SIGN_PFX_FILE}, timestamp '${VELMAR_SIGN_TIMESTAMP_URL}'")
  message(STATUS "Programs are ${velmar_signing}")
else()
  set(velmar_signing "unsigned")
endif()
# Every program is linked again when the signing settings change, so that a build folder never
# keeps a program signed (or unsigned) under settings it no longer has. Written only when it
# changes.
set(VELMAR_SIGNING_STAMP ${CMAKE_BINARY_DIR}/signing-settings.txt)
file(CONFIGURE OUTPUT ${VELMAR_SIGNING_STAMP} CONTENT "${velmar_signing}\n")

# velmar_shipped_program(TARGET VERSION_RC DESCRIPTION): TARGET gets the version resource
# VERSION_RC (a script that includes versioninfo/version_block.rc) and, with a certificate, is
# signed in place right after it is linked, before anything copies or carries it. DESCRIPTION
# is the signature's description, shown by the UAC prompt as the program's name; the signature
# stores it as ASCII text.
function(velmar_shipped_program target version_rc description)
  if(NOT description MATCHES "^[ -~]+$")
    message(FATAL_ERROR "velmar_shipped_program(${target}): the description must be ASCII text")
  endif()
  target_sources(${target} PRIVATE ${version_rc})
  set_source_files_properties(${version_rc} PROPERTIES OBJECT_DEPENDS
    "${PROJECT_SOURCE_DIR}/versioninfo/version_block.rc;${PROJECT_SOURCE_DIR}/versioninfo/build_version.h")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${VELMAR_SIGNING_STAMP})
  if(NOT VELMAR_SIGN_PFX)
    return()
  endif()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${VELMAR_SIGN_PFX_FILE})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/sign-program $<TARGET_FILE:${target}>
            ${VELMAR_SIGN_PFX_FILE} ${VELMAR_SIGN_PASSWORD_VARIABLE} ${description}
            "${VELMAR_SIGN_TIMESTAMP_URL}"
    COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
    VERBATIM)
endfunction()
