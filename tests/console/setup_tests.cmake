# The camera settings dialog and the small setup dialogs (included from this folder's CMakeLists).
if(TARGET zrk_setup_dialogs)
  zrk_add_test(zrk_setup_dialogs_tests
    SOURCES setup_dialogs_test.cpp
    LIBS zrk_test_support zrk_setup_dialogs Qt6::Test)
  if(TARGET zrkcam AND TARGET zrk_transfer)
    zrk_add_test(zrk_setup_camera_tests
      SOURCES setup_camera_test.cpp
      LIBS zrk_test_support zrk_startup Qt6::Test)
    add_dependencies(zrk_setup_camera_tests zrkcam zrkimage)
  endif()
endif()
