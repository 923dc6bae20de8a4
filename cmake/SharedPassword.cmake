# apr_shared_password(<out>)
#
# The plain text of the shared repository password, for this configure only.
# It never becomes a cache entry (CMakeCache.txt is readable by everyone):
#   1. the environment variable APR_SVN_SHARED_PASSWORD, at configure time;
#   2. the file named by APR_SVN_PASSWORD_FILE (a cache entry holding only the
#      path, or the environment variable of that name), which must be readable
#      by its owner only; a trailing line break is not part of the password;
#   3. the build's private copy of an earlier configure (a re-run started by
#      the build tool has neither of the above);
#   4. otherwise the demo password of the development set-up.
# A value given with -DAPR_SVN_SHARED_PASSWORD=... is used once and taken out
# of the cache again.
set(APR_DEMO_SVN_PASSWORD "demo-s3nha")

function(apr_private_file_text path out)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "APR_SVN_PASSWORD_FILE: ${path} does not exist")
  endif()
  execute_process(COMMAND stat -L -c %a "${path}" OUTPUT_VARIABLE mode RESULT_VARIABLE failed
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(failed OR NOT mode MATCHES "^[0-7]*[0-7]00$")
    message(FATAL_ERROR "APR_SVN_PASSWORD_FILE: ${path} must be readable by its owner only (chmod 600); its mode is ${mode}")
  endif()
  file(READ "${path}" text)
  string(REGEX REPLACE "\r?\n$" "" text "${text}")
  if(text STREQUAL "")
    message(FATAL_ERROR "APR_SVN_PASSWORD_FILE: ${path} is empty")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(apr_shared_password out)
  if(DEFINED CACHE{APR_SVN_SHARED_PASSWORD})
    set(given "$CACHE{APR_SVN_SHARED_PASSWORD}")
    unset(APR_SVN_SHARED_PASSWORD CACHE)
    message(WARNING "APR_SVN_SHARED_PASSWORD was given as a cache entry: used for this configure and taken out "
                    "of CMakeCache.txt; give it in the environment or in APR_SVN_PASSWORD_FILE")
    set(${out} "${given}" PARENT_SCOPE)
    return()
  endif()
  if(DEFINED ENV{APR_SVN_SHARED_PASSWORD} AND NOT "$ENV{APR_SVN_SHARED_PASSWORD}" STREQUAL "")
    message(STATUS "Shared repository password: from the environment")
    set(${out} "$ENV{APR_SVN_SHARED_PASSWORD}" PARENT_SCOPE)
    return()
  endif()
  set(file "${APR_SVN_PASSWORD_FILE}")
  if(file STREQUAL "")
    set(file "$ENV{APR_SVN_PASSWORD_FILE}")
  endif()
  if(NOT file STREQUAL "")
    apr_private_file_text("${file}" text)
    message(STATUS "Shared repository password: from ${file}")
    set(${out} "${text}" PARENT_SCOPE)
    return()
  endif()
  set(earlier "${CMAKE_BINARY_DIR}/src/module/qor_enciphered/APR_SENHA_SVN_CIFRADA.plain")
  if(EXISTS "${earlier}")
    apr_private_file_text("${earlier}" text)
    set(${out} "${text}" PARENT_SCOPE)
    return()
  endif()
  message(STATUS "Shared repository password: the demo password (set APR_SVN_PASSWORD_FILE for a deployment)")
  set(${out} "${APR_DEMO_SVN_PASSWORD}" PARENT_SCOPE)
endfunction()
