# Builds the Debian package from BUILD_DIR into WORK_DIR and checks it. Run by CTest (test_package).
cmake_minimum_required(VERSION 3.25)

function(run out)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE text)
  set(${out} "${text}" PARENT_SCOPE)
  set(${out}_rc "${rc}" PARENT_SCOPE)
endfunction()

function(require_tool var name)
  find_program(${var} ${name})
  if(${var})
    return()
  endif()
  if("$ENV{CI}" STREQUAL "true")
    message(FATAL_ERROR "${name} is not installed (scripts/install-deps.sh installs it)")
  endif()
  message(WARNING "${name} is not installed: its check is left out")
endfunction()

set(failures)
macro(fail text)
  list(APPEND failures "${text}")
endmacro()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
run(out ${CPACK} -G DEB -B ${WORK_DIR} --config ${BUILD_DIR}/CPackConfig.cmake)
file(GLOB debs ${WORK_DIR}/*.deb)
list(LENGTH debs count)
if(NOT out_rc EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack did not make one package (${out_rc}, ${count}):\n${out}")
endif()
set(deb ${debs})
message(STATUS "package: ${deb}")

# The files, by the application id the metainfo file is named by.
run(listing dpkg-deb -c ${deb})
string(REGEX MATCH " \\./usr/share/metainfo/([^ \n/]+)\\.metainfo\\.xml\n" found "${listing}")
set(id ${CMAKE_MATCH_1})
if(NOT id)
  fail("no AppStream metainfo in /usr/share/metainfo")
  set(id "?")
endif()
set(expected
  usr/bin/wl8806n
  usr/share/applications/${id}.desktop
  usr/share/icons/hicolor/scalable/apps/${id}.svg
  usr/share/man/man1/wl8806n.1.gz
  usr/share/doc/wl8806n/copyright
  usr/share/doc/wl8806n/changelog.Debian.gz
  usr/share/doc/wl8806n/examples/wl8806n-collect.service
  usr/share/doc/wl8806n/examples/wl8806n-collect.timer
  usr/share/doc/wl8806n/examples/wl8806n-watch.service
)
if(HAVE_COLLECT)
  list(APPEND expected usr/bin/wl8806n-collect usr/share/man/man1/wl8806n-collect.1.gz)
endif()
if(HAVE_WATCH)
  list(APPEND expected usr/bin/wl8806n-watch usr/share/man/man1/wl8806n-watch.1.gz)
endif()
foreach(path IN LISTS expected)
  string(FIND "${listing}" " ./${path}\n" at)
  if(at EQUAL -1)
    fail("missing from the package: /${path}")
  endif()
endforeach()
if(listing MATCHES " \\./usr/local/")
  fail("the package installs under /usr/local")
endif()

# The control fields: ours, and the libraries dpkg-shlibdeps found (Qt's core library among them).
run(control dpkg-deb -f ${deb} Package Depends Recommends Maintainer Section)
foreach(pattern IN ITEMS
    "Package: wl8806n\n" "Depends: [^\n]*libqt6core6" "Depends: [^\n]*qt6-qpa-plugins"
    "Depends: [^\n]*libqt6sql6-sqlite" "Depends: [^\n]*(fonts-wqy-microhei|fonts-noto-cjk)"
    "Recommends: [^\n]*libqt6sql6-psql" "Maintainer: [^\n<]*developers <[^@>]+@[^>]+>\n" "Section: [a-z]+\n")
  if(NOT control MATCHES "${pattern}")
    string(REPLACE "\n" "\\n" shown "${pattern}")
    fail("control fields do not match \"${shown}\":\n${control}")
  endif()
endforeach()

# The shipped desktop entry and metainfo, as the desktop and software centres read them.
run(out dpkg-deb -x ${deb} ${WORK_DIR}/root)
require_tool(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE AND EXISTS ${WORK_DIR}/root/usr/share/applications/${id}.desktop)
  run(out ${DESKTOP_FILE_VALIDATE} ${WORK_DIR}/root/usr/share/applications/${id}.desktop)
  if(NOT out_rc EQUAL 0 OR NOT out STREQUAL "")
    fail("desktop-file-validate:\n${out}")
  endif()
endif()
require_tool(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI AND EXISTS ${WORK_DIR}/root/usr/share/metainfo/${id}.metainfo.xml)
  run(out ${APPSTREAMCLI} validate --no-net ${WORK_DIR}/root/usr/share/metainfo/${id}.metainfo.xml)
  if(NOT out_rc EQUAL 0)
    fail("appstreamcli validate:\n${out}")
  endif()
endif()

require_tool(LINTIAN lintian)
if(LINTIAN)
  run(out ${LINTIAN} --tag-display-limit 0 ${deb})
  message(STATUS "lintian:\n${out}")
  string(REGEX MATCHALL "(^|\n)E: [^\n]*" errors "${out}")
  if(errors)
    fail("lintian reports errors:${errors}")
  endif()
endif()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "${text}")
endif()
