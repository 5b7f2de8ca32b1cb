# Text recognition on Tesseract. The engine and its libraries are large and most days nobody
# reads text, so the shell loads them as a module on first use (LectorDeTextoDiferido); tests
# and benchmarks link the library directly.
pkg_check_modules(TESSERACT REQUIRED IMPORTED_TARGET tesseract lept)
# The engine's OpenMP runtime is kept to one thread through its API (leerEnUnSoloHilo). Only the
# runtime is linked: nothing here is compiled with OpenMP.
find_package(OpenMP REQUIRED COMPONENTS CXX)

set(ocr_dir ${CMAKE_CURRENT_LIST_DIR})
corvalin_library(corvalin_ocr
  SOURCES
    ${ocr_dir}/ocr_prep.cpp ${ocr_dir}/ocr_prep.h
    ${ocr_dir}/tesseract_engine.cpp ${ocr_dir}/tesseract_engine.h
    ${ocr_dir}/tesseract_recognizer.cpp ${ocr_dir}/tesseract_recognizer.h
    ${ocr_dir}/text_assembly.cpp ${ocr_dir}/text_assembly.h
  LINKS corvalin_platform Qt6::Gui)
target_include_directories(corvalin_ocr PRIVATE ${OpenMP_CXX_INCLUDE_DIRS})
target_link_libraries(corvalin_ocr PRIVATE PkgConfig::TESSERACT ${OpenMP_CXX_LIBRARIES})

# The module the shell loads: one exported function that makes the recognizer.
add_library(corvalin_ocr_module MODULE ${ocr_dir}/ocr_module.cpp)
target_link_libraries(corvalin_ocr_module PRIVATE corvalin_ocr)
set_target_properties(corvalin_ocr_module PROPERTIES
  PREFIX "" OUTPUT_NAME corvalin-ocr LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
# A folder of its own under the library folder: a private module, not a shared library the
# dynamic linker needs to know about.
set(CORVALIN_MODULE_DIR ${CMAKE_INSTALL_LIBDIR}/corvalin/modules)
install(TARGETS corvalin_ocr_module LIBRARY DESTINATION ${CORVALIN_MODULE_DIR})

target_sources(corvalin_capture PRIVATE ${ocr_dir}/lector_diferido.cpp ${ocr_dir}/lector_diferido.h)
# Found from the executable's own folder, so that an installed tree can move as a whole (a
# package under /usr, `make install` under /usr/local, an unpacked copy anywhere).
file(RELATIVE_PATH module_from_bin ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${CORVALIN_MODULE_DIR})
target_compile_definitions(corvalin_capture PRIVATE CORVALIN_MODULE_FROM_BIN="${module_from_bin}")
