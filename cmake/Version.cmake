# The version of project() as a header every target can include:
# #include "setup_dialog_version.h".
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in
  ${CMAKE_BINARY_DIR}/generated/setup_dialog_version.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)
