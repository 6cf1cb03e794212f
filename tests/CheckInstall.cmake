# Installs the build into a fresh prefix and checks what a system gets: both programs,
# their manual pages and bash completion, the desktop entry with Glossel's own Inform
# type, that type's definition, the AppStream metadata, the icons in every size, and
# the package's copyright and changelog; the desktop entry and the metadata pass their
# validators and agree with each other.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DVERSION=... -DICON_SIZES=16;22;... -P CheckInstall.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT ICON_SIZES OR NOT VERSION)
  message(FATAL_ERROR "ICON_SIZES and VERSION must be given")
endif()
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(metainfo share/metainfo/org.orvanel.glossel.metainfo.xml)
set(expected
  bin/glossel bin/glossel-render bin/glossel-lsp
  share/man/man1/glossel.1.gz share/man/man1/glossel-render.1.gz share/man/man1/glossel-lsp.1.gz
  share/bash-completion/completions/glossel share/bash-completion/completions/glossel-render
  share/bash-completion/completions/glossel-lsp
  share/applications/glossel.desktop share/mime/packages/glossel.xml ${metainfo}
  share/icons/hicolor/scalable/apps/glossel.svg
  share/doc/glossel/copyright share/doc/glossel/changelog.gz)
foreach(size IN LISTS ICON_SIZES)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/glossel.png)
endforeach()
foreach(path IN LISTS expected)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# Each bitmap icon is a PNG of the size its folder names (width and height are the
# first two numbers of the IHDR chunk, from byte 16).
foreach(size IN LISTS ICON_SIZES)
  set(png "${PREFIX}/share/icons/hicolor/${size}x${size}/apps/glossel.png")
  file(READ "${png}" signature LIMIT 8 HEX)
  file(READ "${png}" dimensions OFFSET 16 LIMIT 8 HEX)
  math(EXPR want "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(REPLACE "0x" "" want "${want}")
  string(LENGTH "${want}" digits)
  math(EXPR pad "8 - ${digits}")
  string(REPEAT "0" ${pad} zeros)
  set(side "${zeros}${want}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT dimensions STREQUAL "${side}${side}")
    message(FATAL_ERROR "${size}x${size}/apps/glossel.png is not a ${size} by ${size} PNG (${signature}, ${dimensions})")
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

# The metadata names what is installed: the desktop entry it launches, the programs
# it provides and the type it opens, and the version being installed.
file(READ "${PREFIX}/${metainfo}" meta)
foreach(item "<id>org.orvanel.glossel</id>"
             "<launchable type=\"desktop-id\">glossel.desktop</launchable>"
             "<binary>glossel</binary>" "<binary>glossel-render</binary>" "<binary>glossel-lsp</binary>"
             "<mediatype>text/x-inform</mediatype>" "<release version=\"${VERSION}\""
             "<project_license>MIT</project_license>")
  string(FIND "${meta}" "${item}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the AppStream metadata lacks ${item}")
  endif()
endforeach()
if(NOT meta MATCHES "<image>https://[^<]+\\.png</image>")
  message(FATAL_ERROR "the AppStream metadata has no screenshot")
endif()

# The package's copyright file grants the MIT licence (Debian's name for it: Expat).
file(READ "${PREFIX}/share/doc/glossel/copyright" copyright)
foreach(item "Copyright: 2026 Orvanel's Applications\nLicense: Expat\n" "\nLicense: Expat\n Permission is hereby granted")
  string(FIND "${copyright}" "${item}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the copyright file lacks ${item}")
  endif()
endforeach()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
if(NOT DESKTOP_FILE_VALIDATE OR NOT APPSTREAMCLI)
  message(FATAL_ERROR "desktop-file-validate (desktop-file-utils) and appstreamcli (appstream) "
                      "are needed; bash setup.sh installs them")
endif()
# Both validators report problems on standard output and exit 0 on mere hints; a
# hint counts as a failure here too.
execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${PREFIX}/share/applications/glossel.desktop"
                RESULT_VARIABLE valid OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT valid EQUAL 0 OR NOT said STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate rejects glossel.desktop:\n${said}")
endif()
execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net --pedantic "${PREFIX}/${metainfo}"
                RESULT_VARIABLE valid OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT valid EQUAL 0 OR NOT said MATCHES "^[^\n]*Validation was successful\\.\n*$")
  message(FATAL_ERROR "appstreamcli validate rejects the AppStream metadata:\n${said}")
endif()

file(REMOVE_RECURSE "${PREFIX}")
message(STATUS "installed layout is complete")
