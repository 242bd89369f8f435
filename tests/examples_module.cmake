# The smallest client module, in C (examples/module/): built on every target from the interface
# header alone, then checked and played as any module of the host would be.
add_library(hello MODULE ${PROJECT_SOURCE_DIR}/examples/module/hello.c)
set_target_properties(hello PROPERTIES PREFIX "" C_STANDARD 11 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
# The header's folder and nothing else: the module cannot reach the rest of the tree.
set_property(TARGET hello PROPERTY INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/hostapi)
target_compile_options(hello PRIVATE -std=c11 -pedantic-errors -Wall -Wextra -Werror)
if(ZV_SANITIZE)
  target_compile_options(hello PRIVATE -fno-sanitize=all)  # a plain build, as a shipped module is
endif()
if(ZV_TARGET STREQUAL "win32")
  target_sources(hello PRIVATE ${PROJECT_SOURCE_DIR}/examples/module/hello.win32.def)
  target_link_options(hello PRIVATE -Wl,--enable-stdcall-fixup)
endif()

if(TARGET zorvan-host)
  add_test(NAME hello_check COMMAND zorvan-host check $<TARGET_FILE_NAME:hello> --level 2
           WORKING_DIRECTORY ${ZV_BIN_DIR})
  add_test(NAME hello_scenario
           COMMAND zorvan-host run ${PROJECT_SOURCE_DIR}/examples/module/hello.zvs --module $<TARGET_FILE_NAME:hello>
           WORKING_DIRECTORY ${ZV_BIN_DIR})
  set_tests_properties(hello_check hello_scenario PROPERTIES TIMEOUT 600)
endif()
