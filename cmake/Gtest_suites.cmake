# Run after a test program is built: lists its tests and writes one CTest entry per test suite.
# A suite's tests then share one process start (Qt and the sanitizers load once), while the
# program's own output still names every test and its result in the log.
# In: TEST_EXECUTABLE, CTEST_FILE, LABELS, ENVIRONMENT, SUFFIX, SERIAL.
execute_process(COMMAND "${TEST_EXECUTABLE}" --gtest_list_tests
  OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE rc TIMEOUT 60)
if(NOT rc EQUAL 0)
  file(REMOVE "${CTEST_FILE}")
  message(FATAL_ERROR "Listing the tests of ${TEST_EXECUTABLE} failed (${rc}):\n${listing}\n${errors}")
endif()
string(REPLACE ";" "\\;" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(script "")
set(count 0)
foreach(line IN LISTS lines)
  # Suite lines start at the margin and end with a dot (a typed suite's comment may follow).
  if(line MATCHES "^([^ #][^ ]*)\\.( .*)?$")
    set(suite "${CMAKE_MATCH_1}")
    set(name "${suite}${SUFFIX}")
    string(APPEND script
      "add_test([==[${name}]==] [==[${TEST_EXECUTABLE}]==] [==[--gtest_filter=${suite}.*]==])\n"
      "set_tests_properties([==[${name}]==] PROPERTIES LABELS [==[${LABELS}]==]"
      " ENVIRONMENT [==[${ENVIRONMENT}]==]")
    if(SERIAL)
      string(APPEND script " RUN_SERIAL TRUE")
    endif()
    string(APPEND script ")\n")
    math(EXPR count "${count} + 1")
  endif()
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "${TEST_EXECUTABLE} lists no test suite")
endif()
file(WRITE "${CTEST_FILE}.new" "${script}")
file(RENAME "${CTEST_FILE}.new" "${CTEST_FILE}")
