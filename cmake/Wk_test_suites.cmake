# wk_add_test_suites(TARGET [LABELS l] [ENVIRONMENT e] [SUFFIX s] [SERIAL]): one CTest entry per
# test suite of a GoogleTest program, found from the built program (see Gtest_suites.cmake).
set(WK_GTEST_SUITES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/Gtest_suites.cmake)
function(wk_add_test_suites target)
  cmake_parse_arguments(S "SERIAL" "LABELS;ENVIRONMENT;SUFFIX" "" ${ARGN})
  set(ctest_file ${CMAKE_CURRENT_BINARY_DIR}/${target}${S_SUFFIX}_suites.cmake)
  set(serial OFF)
  if(S_SERIAL)
    set(serial ON)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -D "TEST_EXECUTABLE=$<TARGET_FILE:${target}>"
            -D "CTEST_FILE=${ctest_file}" -D "LABELS=${S_LABELS}" -D "ENVIRONMENT=${S_ENVIRONMENT}"
            -D "SUFFIX=${S_SUFFIX}" -D "SERIAL=${serial}" -P ${WK_GTEST_SUITES_SCRIPT}
    VERBATIM)
  # CTest reads the entries when they exist; a program not built yet shows as one failing entry.
  set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${target}${S_SUFFIX}_include.cmake)
  file(WRITE ${include_file}
    "if(EXISTS [==[${ctest_file}]==])\n  include([==[${ctest_file}]==])\n"
    "else()\n  add_test([==[${target}${S_SUFFIX}_NOT_BUILT]==] [==[${target}${S_SUFFIX}_NOT_BUILT]==])\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
