# The Qt widgets of the definition-driven settings windows: each shows a plain model of
# settings_ui/model*.h and forwards the user's actions to it.
if(VEXA_BUILD_GUI)
  vexa_library(vexa_settings_ui
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/dynamiccontrol.cpp
      ${CMAKE_CURRENT_LIST_DIR}/dynamiccombobox.cpp
      ${CMAKE_CURRENT_LIST_DIR}/dynamicedit.cpp
      ${CMAKE_CURRENT_LIST_DIR}/dynamictext.cpp
      ${CMAKE_CURRENT_LIST_DIR}/dynamicbutton.cpp
      ${CMAKE_CURRENT_LIST_DIR}/settingspage.cpp
      ${CMAKE_CURRENT_LIST_DIR}/dynamicpropertysheet.cpp
    DEPS vexa_settings_model vexa_richtext_qt vexa_uicommon Qt6::Widgets)
  set_target_properties(vexa_settings_ui PROPERTIES AUTOMOC ON)
endif()
