if(EXISTS "/work/main/build/native/bin/text_test")
  if(NOT EXISTS "/work/main/build/native/tests/text_test[1]_tests.cmake" OR
     NOT "/work/main/build/native/tests/text_test[1]_tests.cmake" IS_NEWER_THAN "/work/main/build/native/bin/text_test" OR
     NOT "/work/main/build/native/tests/text_test[1]_tests.cmake" IS_NEWER_THAN "${CMAKE_CURRENT_LIST_FILE}")
    include("/usr/share/cmake-3.25/Modules/GoogleTestAddTests.cmake")
    gtest_discover_tests_impl(
      TEST_EXECUTABLE [==[/work/main/build/native/bin/text_test]==]
      TEST_EXECUTOR [==[]==]
      TEST_WORKING_DIR [==[/work/main/build/native/bin]==]
      TEST_EXTRA_ARGS [==[]==]
      TEST_PROPERTIES [==[TIMEOUT;300]==]
      TEST_PREFIX [==[]==]
      TEST_SUFFIX [==[]==]
      TEST_FILTER [==[]==]
      NO_PRETTY_TYPES [==[FALSE]==]
      NO_PRETTY_VALUES [==[FALSE]==]
      TEST_LIST [==[text_test_TESTS]==]
      CTEST_FILE [==[/work/main/build/native/tests/text_test[1]_tests.cmake]==]
      TEST_DISCOVERY_TIMEOUT [==[120]==]
      TEST_XML_OUTPUT_DIR [==[]==]
    )
  endif()
  include("/work/main/build/native/tests/text_test[1]_tests.cmake")
else()
  add_test(text_test_NOT_BUILT text_test_NOT_BUILT)
endif()
