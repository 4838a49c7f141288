# Installs the build into PREFIX and checks what the installed program answers to its options.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} RESULT_VARIABLE status
                OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

include(GNUInstallDirs)
foreach(file ${CMAKE_INSTALL_BINDIR}/vantrelis-import ${CMAKE_INSTALL_BINDIR}/vantrelis-dm
             ${CMAKE_INSTALL_DATADIR}/vantrelis/Vantrelis_Import_Readme.txt
             ${CMAKE_INSTALL_DATADIR}/applications/vantrelis-import.desktop
             ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps/vantrelis-import.svg)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

set(program ${PREFIX}/${CMAKE_INSTALL_BINDIR}/vantrelis-import)
# option, expected exit status, text expected on standard output or standard error
foreach(row "--version|0|Vantrelis Import for OpenText eDOCS ${VERSION}"
            "--help|0|/ADNF"
            "/G,--frobnicate|2|unknown option --frobnicate")
  string(REPLACE "|" ";" fields "${row}")
  list(GET fields 0 option)
  list(GET fields 1 expected_status)
  list(GET fields 2 expected_text)
  string(REPLACE "," ";" arguments "${option}")
  execute_process(COMMAND ${program} ${arguments} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
                  TIMEOUT 60)
  if(NOT status STREQUAL expected_status)
    message(FATAL_ERROR "${option}: exit status ${status}, expected ${expected_status}\n${out}${err}")
  endif()
  string(FIND "${out}${err}" "${expected_text}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${option}: '${expected_text}' not in\n${out}${err}")
  endif()
endforeach()
