# The sources of the shared password: a private file, the environment, and a
# file others can read (refused).
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(private "${WORK}/private")
set(open "${WORK}/open")
file(WRITE "${private}" "s3gr3do-do-arquivo\n")
file(CHMOD "${private}" PERMISSIONS OWNER_READ OWNER_WRITE)
file(WRITE "${open}" "s3gr3do-aberto")
file(CHMOD "${open}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

function(read_with expect_ok expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=APR_SVN_SHARED_PASSWORD ${ARGN}
                          ${CMAKE_COMMAND} -DSOURCE_MODULE=${SOURCE_MODULE} -DWORK=${WORK}
                          -DEXPECTED=${expected} -P ${DRIVER}
                  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE errors)
  if(expect_ok AND failed)
    message(SEND_ERROR "refused a source it should read (${ARGN})")
  elseif(NOT expect_ok AND NOT failed)
    message(SEND_ERROR "accepted a source it should refuse (${ARGN})")
  endif()
  set(errors "${errors}" PARENT_SCOPE)
endfunction()

read_with(TRUE "s3gr3do-do-arquivo" APR_SVN_PASSWORD_FILE=${private})
read_with(TRUE "s3gr3do-do-ambiente" APR_SVN_SHARED_PASSWORD=s3gr3do-do-ambiente)
read_with(TRUE "demo-s3nha" APR_SVN_PASSWORD_FILE=)
read_with(FALSE "s3gr3do-aberto" APR_SVN_PASSWORD_FILE=${open})
# CMake folds long messages at blanks, and how depends on the path's length.
string(REGEX REPLACE "[ \t\r\n]+" " " errors "${errors}")
if(NOT errors MATCHES "readable by its owner only")
  message(SEND_ERROR "the refusal of a file others can read does not say why")
endif()
