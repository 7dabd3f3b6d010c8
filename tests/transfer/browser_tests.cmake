# The thumbnail browser's and the preview window's suites. Included from tests/transfer/CMakeLists.txt.
set(_browser_tests ${CMAKE_CURRENT_LIST_DIR})
zrk_add_test(zrk_browser_tests
  SOURCES
    ${_browser_tests}/browser_table_test.cpp
    ${_browser_tests}/preview_range_test.cpp
    ${_browser_tests}/browser_window_test.cpp
    ${_browser_tests}/preview_window_test.cpp
    ${_browser_tests}/browser_fixture.h
  LIBS zrk_test_support zrk_browser Qt6::Test)
add_dependencies(zrk_browser_tests zrkimage)

# Against the stand-in camera; its model re-creates every frame a window receives.
if(TARGET zrkcam)
  zrk_add_test(zrk_browser_camera_tests
    SOURCES ${_browser_tests}/browser_camera_test.cpp
    LIBS zrk_test_support zrk_browser zrkcam_model Qt6::Test)
  add_dependencies(zrk_browser_camera_tests zrkcam zrkimage)
endif()

# The browser as start-up wires it into the program, opened from the record console.
if(TARGET zrkcam AND TARGET zrk_console)
  zrk_add_test(zrk_browser_program_tests
    SOURCES ${_browser_tests}/browser_program_test.cpp
    LIBS zrk_test_support zrk_startup Qt6::Test)
  add_dependencies(zrk_browser_program_tests zrkcam zrkimage)
endif()
