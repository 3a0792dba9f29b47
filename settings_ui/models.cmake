# The settings pages, wizard and System Settings sheet as plain models: standard C++ only,
# so the Qt widgets only show them and forward the user's actions.
vexa_library(vexa_settings_model
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/modelcontrols.cpp
          ${CMAKE_CURRENT_LIST_DIR}/modelsettingspage.cpp
          ${CMAKE_CURRENT_LIST_DIR}/modelsheet.cpp
  DEPS vexa_uicommon_plain vexa_core)
