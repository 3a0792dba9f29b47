# Fuzz targets of the document's controller link.
if(TARGET vexa_link)
  vexa_fuzz(signature_file ${CMAKE_CURRENT_SOURCE_DIR}/signature_file.cpp DEPS vexa_link)
endif()
