# Debian packages of what cmake --install installs: cpack -G DEB in the
# build folder (scripts/package.sh), one package per install component.
#   setup-dialog      the program and its terminal backend; no GUI library,
#                     so that a headless host installs it alone
#   setup-dialog-qt   the Qt module; setup-dialog-gtk, the GTK module
# Each depends on the shared libraries its files link, as dpkg-shlibdeps
# finds them. The copyright file is docs/copyright, installed with the docs.
set(CPACK_PACKAGE_NAME setup-dialog)
set(CPACK_PACKAGE_VENDOR "The setup-dialog developers")
set(CPACK_PACKAGE_CONTACT "The setup-dialog developers" CACHE STRING
  "Maintainer named in the packages")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Asks one question of a command-line tool's first-run setup in a native alert")
set(CPACK_PACKAGE_DESCRIPTION
  "A helper that a command-line tool starts once per question of its first-run setup. It shows one modal alert (or asks on the terminal when no window can be shown) and writes the answer as a short record on standard output, with an exit status.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
elseif(APPLE)
  set(CPACK_GENERATOR TGZ)
else()
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(NOT WIN32 AND NOT APPLE)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL program ${SETUP_DIALOG_TOOLKIT_COMPONENTS})
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME setup-dialog)
  set(CPACK_COMPONENT_PROGRAM_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION} Without a window toolkit package it asks on the terminal only.")
  # Where there is a desktop a window is the point; a headless host leaves
  # recommendations out (apt-get --no-install-recommends) and asks on the
  # terminal.
  set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "setup-dialog-qt | setup-dialog-gtk")
  foreach(toolkit qt gtk)
    string(TOUPPER ${toolkit} component)
    set(CPACK_DEBIAN_${component}_PACKAGE_NAME setup-dialog-${toolkit})
    # The module is loaded by this very version of the program.
    set(CPACK_DEBIAN_${component}_PACKAGE_DEPENDS "setup-dialog (= ${PROJECT_VERSION})")
  endforeach()
  # Qt loads its Wayland platform as a plugin, which no library dependency
  # names, and without it a Wayland-only session has no window to show.
  string(APPEND CPACK_DEBIAN_QT_PACKAGE_DEPENDS ", qt6-wayland")
  # CPack puts the summary above each component's own text.
  set(CPACK_COMPONENT_QT_DESCRIPTION "The Qt 6 window of setup-dialog, used on KDE and LXQt desktops and wherever it is the window toolkit present.")
  set(CPACK_COMPONENT_GTK_DESCRIPTION "The GTK 4 window of setup-dialog, used on GNOME and the other GTK desktops and wherever it is the window toolkit present.")
endif()

include(CPack)

# On macOS the program is a bare executable, not an application bundle: its
# Info.plist goes into the binary itself (the __info_plist section), where
# code signing, notarisation and the system's privacy prompts read its
# identifier, name and version.
if(APPLE)
  set(SETUP_DIALOG_BUNDLE_ID "org.setup-dialog.setup-dialog" CACHE STRING
    "The bundle identifier in the program's embedded Info.plist (the vendor's own, reversed domain)")
  set(SETUP_DIALOG_BUNDLE_NAME "setup-dialog" CACHE STRING
    "The name in the program's embedded Info.plist")
  set(info_plist "${CMAKE_BINARY_DIR}/generated/Info.plist")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/Info.plist.in "${info_plist}" @ONLY)
  target_link_options(setup-dialog PRIVATE "LINKER:-sectcreate,__TEXT,__info_plist,${info_plist}")
  set_property(TARGET setup-dialog APPEND PROPERTY LINK_DEPENDS "${info_plist}")
endif()
