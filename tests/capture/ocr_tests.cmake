# Text recognition suites, added to test_capture.
target_sources(test_capture PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ocr_samples.cpp ${CMAKE_CURRENT_LIST_DIR}/ocr_samples.h
  ${CMAKE_CURRENT_LIST_DIR}/text_assembly_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ocr_prep_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tesseract_recognizer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lector_diferido_test.cpp)
target_link_libraries(test_capture PRIVATE corvalin_ocr)
target_compile_definitions(test_capture PRIVATE
  OCR_MODULE="$<TARGET_FILE:corvalin_ocr_module>")
add_dependencies(test_capture corvalin_ocr_module)
