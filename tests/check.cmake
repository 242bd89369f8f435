# zorvan-host check: the real module passes every check at every level (each target), and small
# modules with one planted fault each (tests/planted/) for the tests of check and run, which
# load them by their file name from the build's bin folder.
set(ZV_PLANTED_FAULTS sound leak old_version crash_init crash_command late_call)
set(ZV_PLANTED_MODULES)
list(LENGTH ZV_PLANTED_FAULTS count)
math(EXPR last "${count} - 1")
foreach(fault RANGE ${last})
  list(GET ZV_PLANTED_FAULTS ${fault} name)
  add_library(planted_${name} MODULE ${CMAKE_CURRENT_LIST_DIR}/planted/planted_module.cpp)
  set_target_properties(planted_${name} PROPERTIES PREFIX "")
  target_include_directories(planted_${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(planted_${name} PRIVATE ZV_PLANTED_FAULT=${fault})
  zv_warnings(planted_${name})
  if(ZV_SANITIZE)
    # A plain build, as a shipped module is: its crash is the hardware's, not a sanitizer's report.
    target_compile_options(planted_${name} PRIVATE -fno-sanitize=all)
  endif()
  if(ZV_TARGET STREQUAL "win32")
    target_sources(planted_${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/planted/planted.win32.def)
    target_link_options(planted_${name} PRIVATE -Wl,--enable-stdcall-fixup)
  endif()
  list(APPEND ZV_PLANTED_MODULES planted_${name})
endforeach()
add_custom_target(planted_modules DEPENDS ${ZV_PLANTED_MODULES})

if(TARGET zorvan-host)
  # Each level once, on a seed of its own: the same pages every run. Under Wine every check's
  # child is a Windows process of its own; the work inside stays small.
  foreach(level 1 2 3 4 5)
    add_test(NAME check_level_${level}
             COMMAND zorvan-host check $<TARGET_FILE_NAME:ZorvanShapes> --level ${level} --seed 2026${level}
             WORKING_DIRECTORY ${ZV_BIN_DIR})
    set_tests_properties(check_level_${level} PROPERTIES TIMEOUT 600)
  endforeach()
endif()
if(TARGET host_tests)
  # The tests of check and run start zorvan-host on the planted modules.
  add_dependencies(host_tests zorvan-host planted_modules)
  target_compile_definitions(host_tests PRIVATE ZV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
