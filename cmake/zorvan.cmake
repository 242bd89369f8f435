# Shared build settings for our own targets.

function(zv_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# The module runs inside the host's process: no exceptions, no RTTI, nothing exported but
# the entry point.
function(zv_module_options target)
  zv_warnings(${target})
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti -fvisibility=hidden
                                           -fvisibility-inlines-hidden)
  if(WIN32)
    # The DLL is loaded into the host's process: keep it small; unused sections are dropped at
    # link time.
    target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections)
  endif()
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    # On i686 the module throws nothing and the system walks the stack by frame chains, so
    # unwind tables would only add size. On x86-64 they stay: the system unwinds through every
    # frame by its unwind data, and an exception or a crash report in the host that passes
    # through the module's frames could not get past a function without it.
    target_compile_options(${target} PRIVATE -fno-asynchronous-unwind-tables -fno-unwind-tables)
  endif()
endfunction()

function(zv_platform_libs target)
  if(WIN32)
    target_link_libraries(${target} PRIVATE kernel32 version ole32)
  else()
    target_link_libraries(${target} PRIVATE ${CMAKE_DL_LIBS})
  endif()
endfunction()

function(zv_host_libs target)
  if(WIN32)
    target_link_libraries(${target} PUBLIC ole32 shell32)
  else()
    target_link_libraries(${target} PUBLIC ${CMAKE_DL_LIBS})
  endif()
  # zorvan-host check waits for several of its children at a time, a thread each.
  find_package(Threads REQUIRED)
  target_link_libraries(${target} PUBLIC Threads::Threads)
endfunction()

# GoogleTest from Debian's sources, built with our compiler (also for the Win32 build).
function(zv_use_googletest)
  if(TARGET gtest)
    return()
  endif()
  set(ZV_GTEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${ZV_GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endfunction()

# In the sanitizer build, a program carries the project's sanitizer settings (leak checks on).
function(zv_sanitizer_options target)
  if(ZV_SANITIZE)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/sanitizer_options.cpp)
  endif()
endfunction()

# One ctest entry per test program; on Win32 ctest runs it under Wine.
function(zv_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  zv_sanitizer_options(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest gtest_main)
  zv_warnings(${name})
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no WORKING_DIRECTORY ${ZV_BIN_DIR})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
