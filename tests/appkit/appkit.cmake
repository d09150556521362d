# The AppKit backend off a Mac: its GNUstep build and run, and the check of the
# workflow file that builds it on a Mac. Included from tests/CMakeLists.txt.

# setup-dialog-gnustep: the portable core, src/ui/appkit/*.mm unchanged, and
# the test-only run-time shim, linked against GNUstep's AppKit. It is built by
# a project of its own (gnustep/CMakeLists.txt) with clang, which GNUstep's
# Objective-C needs, so that no second compiler mixes into this g++ build; a
# sanitizer build passes its sanitizers on to it.
find_program(SETUP_DIALOG_CLANGXX NAMES clang++-14 clang++)
find_program(SETUP_DIALOG_GNUSTEP_CONFIG gnustep-config)
set(gnustep_skip_reason "")
if(NOT SETUP_DIALOG_CLANGXX)
  set(gnustep_skip_reason "clang++")
elseif(NOT SETUP_DIALOG_GNUSTEP_CONFIG)
  set(gnustep_skip_reason "gnustep-config")
endif()

if(gnustep_skip_reason)
  message(STATUS "No GNUstep build of the AppKit backend: ${gnustep_skip_reason} is missing (scripts/deps.sh test installs it)")
  add_test(NAME e2e_gnustep COMMAND ${CMAKE_CURRENT_LIST_DIR}/../missing_tool.sh
    "${gnustep_skip_reason}" "clang-14 libgnustep-gui-dev")
  set_tests_properties(e2e_gnustep PROPERTIES SKIP_RETURN_CODE 77)
else()
  include(ExternalProject)
  set(gnustep_dir ${CMAKE_BINARY_DIR}/gnustep)
  set(gnustep_binary ${gnustep_dir}/setup-dialog-gnustep)
  ExternalProject_Add(setup_dialog_gnustep
    SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/gnustep
    BINARY_DIR ${gnustep_dir}
    CMAKE_ARGS
      -DCMAKE_CXX_COMPILER=${SETUP_DIALOG_CLANGXX}
      -DCMAKE_OBJCXX_COMPILER=${SETUP_DIALOG_CLANGXX}
      -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      -DGNUSTEP_CONFIG=${SETUP_DIALOG_GNUSTEP_CONFIG}
      -DSETUP_DIALOG_SOURCE_DIR=${PROJECT_SOURCE_DIR}
      -DSETUP_DIALOG_SANITIZE=${SETUP_DIALOG_SANITIZE}
    INSTALL_COMMAND ""
    # Its own build decides what is out of date.
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${gnustep_binary}
    LOG_CONFIGURE ON
    LOG_BUILD ON
    LOG_OUTPUT_ON_FAILURE ON)

  # The cases of e2e/cases.py, driven by keys and clicks on its own Xvfb.
  add_test(NAME e2e_gnustep
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/../e2e/run.py gnustep ${gnustep_binary})
  set_tests_properties(e2e_gnustep PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)

  # The command-line errors, with no display. GNUstep's Foundation decodes the
  # arguments in its C string encoding before main and stops the process on
  # bytes that do not decode, where macOS's takes them in; Latin-1 decodes
  # every byte. The program reads its items from main's argv all the same.
  add_test(NAME appkit_gnustep_cli_errors
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
      GNUSTEP_STRING_ENCODING=NSISOLatin1StringEncoding ASAN_OPTIONS=detect_leaks=0
      ${CMAKE_CURRENT_LIST_DIR}/cli_errors.sh ${gnustep_binary})
endif()

# The script the macOS workflow runs, on the program built here, so that its
# checks are known to pass on a binary that is right.
add_test(NAME cli_errors_script
  COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
    ${CMAKE_CURRENT_LIST_DIR}/cli_errors.sh $<TARGET_FILE:setup-dialog>)

# The workflow file of .github/workflows/, checked against the schema of
# GitHub Actions by a validator from the npm registry; skipped where npm is
# missing.
add_test(NAME workflow_schema
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/validate-workflows.sh)
set_tests_properties(workflow_schema PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
