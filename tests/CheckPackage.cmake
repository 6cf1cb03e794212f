# Builds the Debian package with cpack and checks it as a user and Debian would: its
# name, its control fields (dependencies worked out from the binaries), the files it
# holds and their modes, that apt can install it, that its programs run from it, and
# that lintian reports no error. The control fields, the file list and lintian's tags
# are printed for the log.
#   cmake -DBUILD_DIR=... -DOUT=... -DVERSION=... -DICON_SIZES=16;22;... -P CheckPackage.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT ICON_SIZES OR NOT VERSION)
  message(FATAL_ERROR "ICON_SIZES and VERSION must be given")
endif()

foreach(tool dpkg dpkg-deb dpkg-shlibdeps lintian apt-get)
  string(MAKE_C_IDENTIFIER "${tool}" var)
  find_program(${var} ${tool})
  if(NOT ${var})
    message(FATAL_ERROR "${tool} is needed (packages dpkg-dev, lintian, apt); bash setup.sh installs them")
  endif()
endforeach()

# run(OUTPUT_VAR COMMAND...): runs a command that must succeed and keeps its output.
function(run out)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command} failed (${status}):\n${output}${errors}")
  endif()
  set(${out} "${output}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
find_program(CPACK cpack HINTS "${CMAKE_COMMAND}/.." NO_DEFAULT_PATH)
if(NOT CPACK)
  find_program(CPACK cpack REQUIRED)
endif()
run(made "${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${OUT}")

run(arch "${dpkg}" --print-architecture)
string(STRIP "${arch}" arch)
set(deb "${OUT}/glossel_${VERSION}_${arch}.deb")
if(NOT EXISTS "${deb}")
  file(GLOB made_files "${OUT}/*.deb")
  message(FATAL_ERROR "cpack did not make glossel_${VERSION}_${arch}.deb (it made: ${made_files})")
endif()

# The control fields.
run(info "${dpkg_deb}" -I "${deb}")
message(STATUS "dpkg-deb -I glossel_${VERSION}_${arch}.deb\n${info}")
function(field name out)
  run(value "${dpkg_deb}" -f "${deb}" ${name})
  string(STRIP "${value}" value)
  set(${out} "${value}" PARENT_SCOPE)
endfunction()
field(Package package)
field(Version version)
field(Architecture architecture)
field(Section section)
field(Maintainer maintainer)
field(Description description)
field(Depends depends)
if(NOT package STREQUAL "glossel" OR NOT version STREQUAL "${VERSION}" OR NOT architecture STREQUAL "${arch}")
  message(FATAL_ERROR "the package is ${package} ${version} ${architecture}, not glossel ${VERSION} ${arch}")
endif()
if(section STREQUAL "" OR NOT maintainer MATCHES "^[^<]+ <[^@> ]+@[^> ]+>$")
  message(FATAL_ERROR "the package lacks a section or a maintainer with a mail address: '${section}', '${maintainer}'")
endif()
if(NOT description MATCHES "^[^\n]+\n [^\n]+")
  message(FATAL_ERROR "the package's description has no summary line and long description")
endif()
# dpkg-shlibdeps writes versioned dependencies on the libraries the binaries link;
# the SVG plugins' package is named by hand.
foreach(library libc6 libstdc\\+\\+6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6)
  if(NOT depends MATCHES "(^|, )${library}[a-z0-9]* \\(>= [^)]+\\)")
    message(FATAL_ERROR "Depends has no versioned dependency on ${library}: ${depends}")
  endif()
endforeach()
if(NOT depends MATCHES "(^|, )libqt6svg6[a-z0-9]*(,|$| )")
  message(FATAL_ERROR "Depends lacks libqt6svg6, whose plugins draw the icons: ${depends}")
endif()

# The files, owned by root, with the usual modes.
run(listing "${dpkg_deb}" -c "${deb}")
message(STATUS "dpkg-deb -c glossel_${VERSION}_${arch}.deb\n${listing}")
set(expected
  usr/bin/glossel usr/bin/glossel-render usr/bin/glossel-lsp
  usr/share/man/man1/glossel.1.gz usr/share/man/man1/glossel-render.1.gz usr/share/man/man1/glossel-lsp.1.gz
  usr/share/bash-completion/completions/glossel usr/share/bash-completion/completions/glossel-render
  usr/share/bash-completion/completions/glossel-lsp
  usr/share/applications/glossel.desktop usr/share/mime/packages/glossel.xml
  usr/share/metainfo/org.orvanel.glossel.metainfo.xml
  usr/share/icons/hicolor/scalable/apps/glossel.svg
  usr/share/doc/glossel/copyright usr/share/doc/glossel/changelog.gz)
foreach(size IN LISTS ICON_SIZES)
  list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/glossel.png)
endforeach()
foreach(path IN LISTS expected)
  if(path MATCHES "^usr/bin/")
    set(mode "-rwxr-xr-x")
  else()
    set(mode "-rw-r--r--")
  endif()
  if(NOT listing MATCHES "(^|\n)${mode} root/root +[0-9]+ [-0-9]+ [0-9:]+ \\./${path}\n")
    message(FATAL_ERROR "the package lacks ${path} (${mode} root/root)")
  endif()
endforeach()
string(REGEX MATCHALL "(^|\n)d[-rwx]+ " folders "${listing}")
foreach(folder IN LISTS folders)
  string(STRIP "${folder}" folder)
  if(NOT folder STREQUAL "drwxr-xr-x")
    message(FATAL_ERROR "a folder of the package has the mode ${folder}, not drwxr-xr-x")
  endif()
endforeach()

# The programs run from the unpacked package.
run(unpacked "${dpkg_deb}" -x "${deb}" "${OUT}/root")
run(said "${OUT}/root/usr/bin/glossel-render" --version)
run(said_viewer "${OUT}/root/usr/bin/glossel" --version)
run(said_server "${OUT}/root/usr/bin/glossel-lsp" --version)
if(NOT said STREQUAL "glossel-render ${VERSION}\n" OR NOT said_viewer STREQUAL "glossel ${VERSION}\n"
   OR NOT said_server STREQUAL "glossel-lsp ${VERSION}\n")
  message(FATAL_ERROR "the packaged programs say '${said}', '${said_viewer}' and '${said_server}'")
endif()

# The package's changelog parses and its newest entry is this version.
find_program(PARSECHANGELOG dpkg-parsechangelog REQUIRED)
run(unzipped gzip -dc "${OUT}/root/usr/share/doc/glossel/changelog.gz")
file(WRITE "${OUT}/changelog" "${unzipped}")
run(logged "${PARSECHANGELOG}" -l "${OUT}/changelog" -S Version)
string(STRIP "${logged}" logged)
if(NOT logged STREQUAL VERSION)
  message(FATAL_ERROR "the changelog's newest entry is ${logged}, not ${VERSION}: packaging/debian/changelog needs an entry")
endif()

# apt finds every dependency (a simulation: nothing is installed).
run(plan "${apt_get}" install --simulate --no-install-recommends "${deb}")
if(NOT plan MATCHES "Inst glossel ")
  message(FATAL_ERROR "apt would not install the package:\n${plan}")
endif()

# lintian. As root (CI) it still runs, but warns that root is not recommended: it then
# runs as nobody, on a copy of the package in a fresh folder that nobody can read.
# Every tag is shown, and only errors fail the check.
set(lintian_command "${lintian}")
execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
find_program(RUNUSER runuser)
if(uid STREQUAL "0" AND RUNUSER)
  string(RANDOM LENGTH 12 token)
  set(lintian_home "/tmp/glossel-lintian-${token}")
  file(MAKE_DIRECTORY "${lintian_home}")
  file(COPY "${deb}" DESTINATION "${lintian_home}"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  file(CHMOD "${lintian_home}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
       GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_WRITE WORLD_EXECUTE)
  get_filename_component(deb_name "${deb}" NAME)
  set(deb "${lintian_home}/${deb_name}")
  set(lintian_command "${RUNUSER}" -u nobody -- env "HOME=${lintian_home}" "${lintian}")
endif()
execute_process(COMMAND ${lintian_command} --fail-on error --display-info --tag-display-limit 0 "${deb}"
                RESULT_VARIABLE status OUTPUT_VARIABLE tags ERROR_VARIABLE errors)
if(lintian_home)
  file(REMOVE_RECURSE "${lintian_home}")
endif()
message(STATUS "lintian (status ${status}):\n${tags}${errors}")
if(NOT status EQUAL 0 OR tags MATCHES "(^|\n)E: ")
  message(FATAL_ERROR "lintian reports errors")
endif()

file(REMOVE_RECURSE "${OUT}")
message(STATUS "the Debian package is complete")
