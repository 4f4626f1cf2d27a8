cmake_minimum_required(VERSION 3.25)
# Installs the build into a fresh folder and checks that the programs, the desktop entry and the
# icon are where a desktop looks for them, and that the programs say their version.
# Run as: cmake -DBUILD_DIR=... -DWORK_DIR=... -DVERSION=... -P check_install.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${WORK_DIR}"
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

foreach(path bin/ts2edit bin/ts2tool share/applications/ts2edit.desktop
             share/icons/hicolor/scalable/apps/ts2edit.svg share/bash-completion/completions/ts2tool)
  if(NOT EXISTS "${WORK_DIR}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

file(STRINGS "${WORK_DIR}/share/applications/ts2edit.desktop" entry)
foreach(line "[Desktop Entry]" "Type=Application" "Exec=ts2edit %F" "Icon=ts2edit")
  if(NOT line IN_LIST entry)
    message(FATAL_ERROR "the desktop entry lacks '${line}'")
  endif()
endforeach()

foreach(program ts2edit ts2tool)
  execute_process(COMMAND "${WORK_DIR}/bin/${program}" --version OUTPUT_VARIABLE out RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT out STREQUAL "${program} ${VERSION}\n")
    message(FATAL_ERROR "${program} --version gave '${out}' (status ${status})")
  endif()
endforeach()
# The commands that need Qt run in ts2tool-qt, which the installed ts2tool finds under libexec.
execute_process(COMMAND "${WORK_DIR}/bin/ts2tool" tbl --help OUTPUT_VARIABLE out RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT out MATCHES "^usage: ts2tool tbl ")
  message(FATAL_ERROR "ts2tool tbl --help gave '${out}' (status ${status})")
endif()
# So does `check --spell`: Hunspell is linked into ts2tool-qt, not into ts2tool.
execute_process(COMMAND "${WORK_DIR}/bin/ts2tool" check rom data --spell xx_XX
                ERROR_VARIABLE err OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 2 OR NOT err MATCHES "^ts2tool: no dictionary for --spell xx_XX; installed: ")
  message(FATAL_ERROR "ts2tool check --spell xx_XX gave '${err}' (status ${status})")
endif()
find_program(READELF readelf)
if(READELF)
  execute_process(COMMAND "${READELF}" -d "${WORK_DIR}/bin/ts2tool" OUTPUT_VARIABLE dynamic)
  if(dynamic MATCHES "hunspell")
    message(FATAL_ERROR "ts2tool loads Hunspell at start:\n${dynamic}")
  endif()
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
