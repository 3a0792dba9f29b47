# The Rich Text reader of the help viewer (standard C++ only), and its Qt side: the
# QTextDocument conversion and the "Tuning Help Viewer" window.
vexa_library(vexa_richtext
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/richtext.cpp ${CMAKE_CURRENT_LIST_DIR}/codepage.cpp
          ${CMAKE_CURRENT_LIST_DIR}/metafile.cpp)

if(VEXA_BUILD_GUI)
  vexa_library(vexa_richtext_qt
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/richtextqt.cpp ${CMAKE_CURRENT_LIST_DIR}/helpdialog.cpp
    DEPS vexa_richtext vexa_settings_model Qt6::Widgets)
  set_target_properties(vexa_richtext_qt PROPERTIES AUTOMOC ON)
endif()
