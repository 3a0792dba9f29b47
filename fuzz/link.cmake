# Fuzz targets of the controller link.
if(TARGET vexa_link)
  vexa_fuzz(monitor_replies ${CMAKE_CURRENT_SOURCE_DIR}/monitor_replies.cpp DEPS vexa_link)
endif()
