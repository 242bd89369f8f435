# The guide for writers: made from docs/guide with the module of this build (every target), its
# refusals when a source no longer holds, and (Linux) its check in headless Chromium with an
# accessibility audit, skipped when Chromium or the pinned npm packages are missing.
if(TARGET zorvan-host)
  set(ZV_GUIDE_SOURCES ${PROJECT_SOURCE_DIR}/docs/guide)
  add_test(NAME guide COMMAND zorvan-host guide --output ${CMAKE_CURRENT_BINARY_DIR}/guide/guide.html ${ZV_GUIDE_SOURCES}
           WORKING_DIRECTORY ${ZV_BIN_DIR})
  set_tests_properties(guide PROPERTIES TIMEOUT 300)
  if(NOT WIN32)
    add_test(NAME guide_refusals COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/host/cli/guide_test.sh
             $<TARGET_FILE:zorvan-host> ${ZV_GUIDE_SOURCES} ${CMAKE_CURRENT_BINARY_DIR}/guide_refusals)
    add_test(NAME guide_in_browser COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/browser/guide_in_browser.sh
             $<TARGET_FILE:zorvan-host> ${ZV_GUIDE_SOURCES} ${CMAKE_CURRENT_BINARY_DIR}/guide_in_browser)
    set_tests_properties(guide_refusals guide_in_browser PROPERTIES TIMEOUT 300)
    set_tests_properties(guide_in_browser PROPERTIES SKIP_RETURN_CODE 77)
  endif()
endif()
