# The start-up dialogs (About, Getting Started) and the shell utilities (desktop entry).
if(VEXA_BUILD_GUI)
  vexa_library(vexa_startup_ui
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/aboutdlg.cpp
      ${CMAKE_CURRENT_LIST_DIR}/startdlg.cpp
      ${CMAKE_CURRENT_LIST_DIR}/shellutils.cpp
    DEPS vexa_uicommon vexa_core Qt6::Widgets)
endif()
