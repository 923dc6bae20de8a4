# Runs test cases of PROGRAM (gtest FILTER) with Apache pointed at a module
# directory that does not exist, so the repository server cannot start, and
# checks what the cases make of it:
#   OUTCOME=fails  without APR_TEST_ALLOW_SKIP: they fail, naming the reason;
#   OUTCOME=skips  with APR_TEST_ALLOW_SKIP=1: they are skipped, naming it, and
#                  the program exits 77, which CTest counts as skipped.
#   cmake -DPROGRAM=... -DFILTER=... -DOUTCOME=fails|skips -P expect_unavailable.cmake
set(ENV{APR_DAV_MODULES} "/nonexistent/apache2-modules")
if(OUTCOME STREQUAL "skips")
  set(ENV{APR_TEST_ALLOW_SKIP} 1)
else()
  set(ENV{APR_TEST_ALLOW_SKIP} 0)
endif()
execute_process(COMMAND ${PROGRAM} --gtest_filter=${FILTER}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")

function(expect text)
  cmake_language(EVAL CODE "if(NOT (${ARGN}))\n  message(FATAL_ERROR \"expected ${text} (exit status ${status})\")\nendif()")
endfunction()

string(FIND "${output}" "Apache with mod_dav_svn cannot start:" named)
string(FIND "${output}" "/nonexistent/apache2-modules" cause)
string(FIND "${output}" "[  SKIPPED ]" skipped)
string(FIND "${output}" "[  FAILED  ]" failed)
string(FIND "${output}" "[       OK ]" passed)
expect("the component named" NOT named EQUAL -1)
expect("Apache's own reason (the missing module directory)" NOT cause EQUAL -1)
expect("no case passing" passed EQUAL -1)
if(OUTCOME STREQUAL "skips")
  expect("the exit status 77 of a program that skipped cases" status EQUAL 77)
  expect("skipped cases" NOT skipped EQUAL -1)
  expect("no failed case" failed EQUAL -1)
else()
  string(FIND "${output}" "APR_TEST_ALLOW_SKIP=1" hint)
  expect("a failing exit status" NOT status EQUAL 0 AND NOT status EQUAL 77)
  expect("failed cases" NOT failed EQUAL -1)
  expect("no skipped case" skipped EQUAL -1)
  expect("the way to skip instead" NOT hint EQUAL -1)
endif()
