# Fails when CMakeCache.txt holds the plain shared password, or when the
# build's private copy is readable by others. Never prints the password.
file(READ "${PLAIN_FILE}" plain)
file(READ "${CACHE_FILE}" cache)
string(FIND "${cache}" "${plain}" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "CMakeCache.txt holds the plain shared password")
endif()
execute_process(COMMAND stat -c %a "${PLAIN_FILE}" OUTPUT_VARIABLE mode OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT mode STREQUAL "600")
  message(FATAL_ERROR "the build's copy of the password has mode ${mode}, not 600")
endif()
