# Reads the password as the build does and compares it with EXPECTED.
set(CMAKE_BINARY_DIR "${WORK}/nobuild")
include("${SOURCE_MODULE}")
apr_shared_password(got)
if(NOT got STREQUAL EXPECTED)
  message(FATAL_ERROR "the password read is not the one given")
endif()
