# Build conventions shared by every module.

function(quelvo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
endfunction()

# quelvo_add_test(NAME name SOURCES ... LIBS ... [SERIAL] [GUI])
# One test executable per unit; GUI tests share a main that makes the application once.
function(quelvo_add_test)
  cmake_parse_arguments(T "SERIAL;GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  quelvo_warnings(${T_NAME})
  if(T_GUI)
    target_link_libraries(${T_NAME} PRIVATE quelvo_testmain quelvo_testsupport GTest::gtest ${T_LIBS})
  else()
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gtest_main ${T_LIBS})
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox --disable-gpu;QUELVO_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}"
    TIMEOUT 600)
  if(T_SERIAL)
    set_tests_properties(${T_NAME} PROPERTIES RUN_SERIAL TRUE)
  endif()
endfunction()
