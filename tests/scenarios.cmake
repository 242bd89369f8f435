# zlib to decode rendered pictures in the picture tests (Linux), and one test per example
# scenario (both targets; the Win32 zorvan-host runs under Wine and loads the DLL).
if(TARGET host_tests AND NOT WIN32)
  # forkpty, for the shell's tests at a terminal
  target_link_libraries(host_tests PRIVATE util)
  find_package(ZLIB)
  if(ZLIB_FOUND)
    target_link_libraries(host_tests PRIVATE ZLIB::ZLIB)
    target_compile_definitions(host_tests PRIVATE ZV_HAVE_ZLIB)
  endif()
endif()

if(TARGET zorvan-host)
  file(GLOB ZV_EXAMPLES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.zvs)
  foreach(example ${ZV_EXAMPLES})
    get_filename_component(name ${example} NAME_WE)
    add_test(NAME example_${name} COMMAND zorvan-host run --quiet ${example} WORKING_DIRECTORY ${ZV_BIN_DIR})
    set_tests_properties(example_${name} PROPERTIES TIMEOUT 300)
  endforeach()
  # The program itself: its usage and a file it cannot read (the message names the reason; the
  # exit status is not 0).
  add_test(NAME zorvan_host_help COMMAND zorvan-host run --help)
  set_tests_properties(zorvan_host_help PROPERTIES PASS_REGULAR_EXPRESSION "usage: zorvan-host run.*exit status: 0")
  add_test(NAME zorvan_host_version COMMAND zorvan-host --version)
  set_tests_properties(zorvan_host_version PROPERTIES PASS_REGULAR_EXPRESSION "^zorvan-host [0-9]+\\.[0-9]+\\.[0-9]+, ")
  add_test(NAME zorvan_host_unreadable COMMAND zorvan-host run no-such.zvs WORKING_DIRECTORY ${ZV_BIN_DIR})
  set_tests_properties(zorvan_host_unreadable PROPERTIES WILL_FAIL TRUE)
  add_test(NAME zorvan_host_unreadable_says_why COMMAND zorvan-host run no-such.zvs WORKING_DIRECTORY ${ZV_BIN_DIR})
  set_tests_properties(zorvan_host_unreadable_says_why PROPERTIES
                       PASS_REGULAR_EXPRESSION "error: cannot read no-such.zvs: No such file or directory")
  # Arguments in any letters reach the host and come back in UTF-8 (Windows: not through the
  # ANSI code page). Wine reads the arguments in the locale's encoding: UTF-8 here.
  add_test(NAME zorvan_host_any_letters COMMAND zorvan-host run --module "ツール/ZorvanShapes.dll"
                                                "Программы.zvs"
           WORKING_DIRECTORY ${ZV_BIN_DIR})
  set_tests_properties(zorvan_host_any_letters PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8" PASS_REGULAR_EXPRESSION
                       "cannot (load|read) [^\n]*(ツール|Программы)")
endif()

# The tour's HTML report opened in headless Chromium at 1400 and 800 pixels (Linux; skipped
# when Chromium is not installed). Screenshots land in the build tree for a person to look at.
if(TARGET zorvan-host)
  if(WIN32)
    add_test(NAME report_in_browser COMMAND sh -c "echo 'skipped: the report is opened in a browser by the Linux build'; exit 77")
  else()
    add_test(NAME report_in_browser
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/host/view/report_in_browser.sh $<TARGET_FILE:zorvan-host>
                     ${PROJECT_SOURCE_DIR}/examples/tour.zvs ${CMAKE_CURRENT_BINARY_DIR}/report_in_browser)
  endif()
  set_tests_properties(report_in_browser PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
