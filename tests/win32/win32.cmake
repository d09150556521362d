# The Windows build, cross-built with mingw-w64 and run under Wine on Linux.
# Included from tests/CMakeLists.txt.
#
# Not in a sanitizer build: mingw-w64 has no sanitizers, and the run would
# only repeat the plain build's within CI's short time.
if(SETUP_DIALOG_SANITIZE)
  return()
endif()

find_program(SETUP_DIALOG_MINGW_CXX NAMES x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++)
if(NOT SETUP_DIALOG_MINGW_CXX)
  message(STATUS "No Windows build: mingw-w64's g++ is missing (scripts/deps.sh test installs it)")
  add_test(NAME e2e_wine COMMAND ${CMAKE_CURRENT_LIST_DIR}/../missing_tool.sh
    x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix)
  set_tests_properties(e2e_wine PROPERTIES SKIP_RETURN_CODE 77)
  return()
endif()

# setup-dialog.exe and the test's probe, win32-probe.exe: the whole project
# configured again with the toolchain file, as a project of its own so that
# the cross compiler never mixes into this build.
include(ExternalProject)
set(win32_dir ${CMAKE_BINARY_DIR}/win32)
ExternalProject_Add(setup_dialog_windows
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${win32_dir}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DSETUP_DIALOG_WERROR=ON
    -DSETUP_DIALOG_WIN32_PROBE=ON
  INSTALL_COMMAND ""
  # Its own build decides what is out of date.
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${win32_dir}/setup-dialog.exe ${win32_dir}/win32-probe.exe
  LOG_CONFIGURE ON
  LOG_BUILD ON
  LOG_OUTPUT_ON_FAILURE ON)

# The cases of e2e/cases.py under Wine on a private Xvfb and prefix; skipped
# by the runner itself where Wine, Xvfb or xdotool is missing.
add_test(NAME e2e_wine
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/../e2e/run.py wine
    ${win32_dir}/setup-dialog.exe ${win32_dir}/win32-probe.exe)
set_tests_properties(e2e_wine PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
