# zrk_browser: the thumbnail browser and the preview window, on top of the data path's receiver and
# SaveRange (ZRK_BROWSER_DATAPATH names that library). Included at the end of transfer/CMakeLists.txt.
if(NOT DEFINED ZRK_BROWSER_DATAPATH)
  set(ZRK_BROWSER_DATAPATH zrk_transfer)
endif()
set(_browser_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(zrk_browser STATIC
  ${_browser_dir}/browser_batch_watch.cpp
  ${_browser_dir}/browser_install.cpp
  ${_browser_dir}/browser_preview_range.cpp
  ${_browser_dir}/browser_requests.cpp
  ${_browser_dir}/frm_down_load.cpp
  ${_browser_dir}/frm_preview.cpp
  ${_browser_dir}/thumbnail_picture.cpp
  ${_browser_dir}/thumbnail_table.cpp)
set_target_properties(zrk_browser PROPERTIES AUTOMOC ON)
target_include_directories(zrk_browser PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zrk_browser PUBLIC ${ZRK_BROWSER_DATAPATH} zrk_protocol zrk_core)
# Start-up installs the browser with the other windows (InstallWindowForwarding).
if(TARGET zrk_startup)
  target_link_libraries(zrk_startup PUBLIC zrk_browser)
endif()
