# The program is a helper its parent starts by path, not a command for a
# user's PATH: it goes into a private folder, libexec/setup-dialog/, where
# the icon it reads beside itself and the window toolkits it loads go too.
#
# Three install components, one Debian package each: `program` (the
# executable with its terminal backend, the icon, the docs and the manual
# page: nothing that needs a display), and `qt` and `gtk`, one window
# toolkit module each, built only where its toolkit is.
include(GNUInstallDirs)

set(SETUP_DIALOG_ICON "" CACHE FILEPATH
  "The parent's icon, installed as icon.png beside the program (empty: the stock signs)")
set(SETUP_DIALOG_INSTALL_DIR "${CMAKE_INSTALL_LIBEXECDIR}/setup-dialog")

install(TARGETS setup-dialog RUNTIME DESTINATION ${SETUP_DIALOG_INSTALL_DIR} COMPONENT program)
if(SETUP_DIALOG_ICON)
  # A typo here would otherwise show up only as a missing icon at run time.
  if(NOT EXISTS "${SETUP_DIALOG_ICON}" OR IS_DIRECTORY "${SETUP_DIALOG_ICON}")
    message(FATAL_ERROR "SETUP_DIALOG_ICON: no file ${SETUP_DIALOG_ICON}")
  endif()
  install(FILES ${SETUP_DIALOG_ICON} DESTINATION ${SETUP_DIALOG_INSTALL_DIR}
    RENAME icon.png PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
    COMPONENT program)
endif()
install(FILES LICENSE CHANGELOG.md README.md docs/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR}
  COMPONENT program)
# The parent author's reference: setup-dialog(1).
if(NOT WIN32)
  install(FILES docs/setup-dialog.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
endif()

# The window toolkit modules (Linux), beside the program: it looks for them
# in its own folder and nowhere else. Each package carries its own copyright
# file, as every Debian package must.
set(SETUP_DIALOG_TOOLKIT_COMPONENTS "")
foreach(toolkit qt gtk)
  if(TARGET setup_dialog_toolkit_${toolkit})
    install(TARGETS setup_dialog_toolkit_${toolkit}
      LIBRARY DESTINATION ${SETUP_DIALOG_INSTALL_DIR} COMPONENT ${toolkit})
    install(FILES docs/copyright
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/setup-dialog-${toolkit} COMPONENT ${toolkit})
    list(APPEND SETUP_DIALOG_TOOLKIT_COMPONENTS ${toolkit})
  endif()
endforeach()
