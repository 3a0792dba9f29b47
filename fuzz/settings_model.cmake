# Settings models: a definition text (which a calibration file can carry) built into the
# wizard and System Settings pages, every control used once.
if(TARGET vexa_settings_model)
  vexa_fuzz(settings_model ${CMAKE_CURRENT_LIST_DIR}/settings_model.cpp DEPS vexa_settings_model)
  target_include_directories(settings_model_replay PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  if(TARGET settings_model_fuzzer)
    target_include_directories(settings_model_fuzzer PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  endif()
endif()
