# The interface's translations, built into tovi_platform's resources at :/i18n/.
#
# translations/tovi_en.ts holds only the English singular and plural of the counted texts
# ("%n day(s)"); `cmake --build <dir> --target update_translations` refreshes it (and any
# tovi_<lang>.ts added to TOVI_TS_FILES) from the sources. The pseudo-locale en_XA is made
# from a fresh lupdate of the sources at every build, so it always covers every text.
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

set(TOVI_TS_DIR ${CMAKE_SOURCE_DIR}/translations)
file(GLOB_RECURSE TOVI_TR_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*.cpp ${CMAKE_SOURCE_DIR}/src/*.h)
set(TOVI_TS_FILES ${TOVI_TS_DIR}/tovi_en.ts)

qt_add_lupdate(tovi_platform TS_FILES ${TOVI_TS_FILES} SOURCES ${TOVI_TR_SOURCES}
               OPTIONS -pluralonly -locations none -no-obsolete)
qt_add_lrelease(tovi_platform TS_FILES ${TOVI_TS_FILES} QM_FILES_OUTPUT_VARIABLE tovi_qm_files
                OPTIONS -silent)

add_executable(tovi-pseudo-locale ${TOVI_TS_DIR}/PseudoLocale.cpp)
tovi_project_target(tovi-pseudo-locale)
target_link_libraries(tovi-pseudo-locale PRIVATE Qt6::Core)
set(tovi_template_ts ${CMAKE_CURRENT_BINARY_DIR}/tovi_template.ts)
set(tovi_pseudo_ts ${CMAKE_CURRENT_BINARY_DIR}/tovi_en_XA.ts)
set(tovi_pseudo_qm ${CMAKE_CURRENT_BINARY_DIR}/tovi_en_XA.qm)
add_custom_command(
  OUTPUT ${tovi_template_ts}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${tovi_template_ts}
  COMMAND Qt6::lupdate -silent -locations none -extensions cpp,h ${CMAKE_SOURCE_DIR}/src -ts ${tovi_template_ts}
  DEPENDS ${TOVI_TR_SOURCES} Qt6::lupdate
  COMMENT "Collecting the interface's texts"
  VERBATIM)
add_custom_command(
  OUTPUT ${tovi_pseudo_ts}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:tovi-pseudo-locale> ${tovi_template_ts} ${TOVI_TS_DIR}/tovi_en.ts ${tovi_pseudo_ts}
  DEPENDS tovi-pseudo-locale ${tovi_template_ts} ${TOVI_TS_DIR}/tovi_en.ts
  COMMENT "Writing the pseudo-locale"
  VERBATIM)
add_custom_command(
  OUTPUT ${tovi_pseudo_qm}
  COMMAND Qt6::lrelease -silent ${tovi_pseudo_ts} -qm ${tovi_pseudo_qm}
  DEPENDS ${tovi_pseudo_ts} Qt6::lrelease
  VERBATIM)
list(APPEND tovi_qm_files ${tovi_pseudo_qm})

qt_add_resources(tovi_platform tovi_translations PREFIX /i18n BASE ${CMAKE_CURRENT_BINARY_DIR}
                 FILES ${tovi_qm_files})
