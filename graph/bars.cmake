# The "Graph Controls" and "Dashboard" bars. The dashboard's model is plain C++ (its
# tests need no display); the widgets are Qt.
vexa_library(vexa_dashboard_model
  SOURCES ${PROJECT_SOURCE_DIR}/frame/dashboardmodel.cpp
  DEPS vexa_core vexa_graph vexa_link)

if(VEXA_BUILD_GUI)
  vexa_library(vexa_bars
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/legendbutton.cpp
            ${CMAKE_CURRENT_LIST_DIR}/dynamicdialogbar.cpp
            ${PROJECT_SOURCE_DIR}/frame/dashboard.cpp
    DEPS vexa_dashboard_model vexa_frame_plain vexa_core vexa_graph vexa_link Qt6::Widgets)
endif()
