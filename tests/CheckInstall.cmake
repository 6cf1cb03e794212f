# Installs the build into a fresh prefix and checks what a desktop gets: both programs,
# the desktop entry with Glossel's own Inform type, that type's definition and the icon.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P CheckInstall.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(path bin/glossel bin/glossel-render share/applications/glossel.desktop
             share/mime/packages/glossel.xml share/icons/hicolor/scalable/apps/glossel.svg)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

file(READ "${PREFIX}/share/applications/glossel.desktop" entry)
foreach(line "Type=Application" "Exec=glossel -- %f" "Icon=glossel" "MimeType=text/x-inform;")
  string(FIND "\n${entry}" "\n${line}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "glossel.desktop lacks the line: ${line}")
  endif()
endforeach()

file(READ "${PREFIX}/share/mime/packages/glossel.xml" mime)
if(NOT mime MATCHES "type=\"text/x-inform\"" OR NOT mime MATCHES "pattern=\"\\*\\.inf\"")
  message(FATAL_ERROR "glossel.xml does not define text/x-inform for *.inf")
endif()
if(mime MATCHES "pattern=\"\\*\\.h\"")
  message(FATAL_ERROR "glossel.xml claims C headers")
endif()

find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
  execute_process(COMMAND "${VALIDATE}" "${PREFIX}/share/applications/glossel.desktop" RESULT_VARIABLE valid)
  if(NOT valid EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate rejects glossel.desktop")
  endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
message(STATUS "installed layout is complete")
