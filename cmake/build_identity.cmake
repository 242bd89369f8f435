# Writes OUTPUT, the header that names the build in the module's version information:
#   #define ZV_STR_PRIVATE_BUILD "package 1.3.0, commit 1a2b3c4"
# from SOURCE_DIR's release/VERSION and the commit checked out there (COMMIT, when given,
# instead; "unknown" for a tree outside git). The file is rewritten only when its text changes,
# so a build of the same commit recompiles nothing and gives the same bytes.
#   cmake -DSOURCE_DIR=... -DOUTPUT=... [-DCOMMIT=...] -P build_identity.cmake
file(READ "${SOURCE_DIR}/release/VERSION" package)
string(STRIP "${package}" package)
if(NOT package MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "${SOURCE_DIR}/release/VERSION:1: expected the package's number such as 1.3.0, found '${package}'")
endif()
if(NOT COMMIT)
  execute_process(COMMAND git -C "${SOURCE_DIR}" rev-parse --short=7 HEAD OUTPUT_VARIABLE COMMIT
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(failed OR NOT COMMIT MATCHES "^[0-9a-f]+$")
    set(COMMIT "unknown")
  endif()
endif()
set(text "// Written by cmake/build_identity.cmake: the package and the commit this build is of.\n")
string(APPEND text "#define ZV_STR_PRIVATE_BUILD \"package ${package}, commit ${COMMIT}\"\n")
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
