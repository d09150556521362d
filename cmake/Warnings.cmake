# Warnings are always shown; they stop the build only where we choose the
# compiler (scripts/ and CI turn this on). A packager's or a newer compiler's
# new warning must not break a build that is otherwise sound.
option(SETUP_DIALOG_WERROR "Treat compiler warnings as errors" OFF)

if(MSVC)
  add_compile_options(/W4)
  if(SETUP_DIALOG_WERROR)
    add_compile_options(/WX)
  endif()
else()
  add_compile_options(-Wall -Wextra)
  if(SETUP_DIALOG_WERROR)
    add_compile_options(-Werror)
  endif()
endif()
