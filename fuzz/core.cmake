# Parsers of outside input in the calibration core: calibration files old and new,
# definition text and its declarations. Each target sets up one document on a temporary
# program directory, with the test support's in-memory settings.
function(vexa_core_document_fuzz name)
  vexa_fuzz(${name} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${name}.cpp DEPS vexa_core)
  foreach(target ${name}_replay ${name}_fuzzer)
    if(TARGET ${target})
      target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    endif()
  endforeach()
endfunction()

vexa_core_document_fuzz(calibration_file)
vexa_core_document_fuzz(legacy_file)
vexa_core_document_fuzz(definition_text)
vexa_core_document_fuzz(declarations)
