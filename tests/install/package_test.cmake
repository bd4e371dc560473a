# cpack -G DEB, then: dpkg-deb --info shows the package and its run-time dependencies, the
# package unpacked with dpkg-deb -x into a temporary folder compiles and plays its example,
# and dpkg -i installs it into a temporary root against a copy of this machine's package list
# (so that its dependencies are checked as on a real install). Skipped without dpkg-deb.
#   cmake -DBUILD=dir -DWORK=dir -DZOX_PLAY_WALKTHROUGH=file -P package_test.cmake
include("${CMAKE_CURRENT_LIST_DIR}/play_installed.cmake")
find_program(DPKG_DEB dpkg-deb)
if(NOT DPKG_DEB)
  message("SKIPPED: dpkg-deb is not installed")
  return()
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
get_filename_component(cpack "${CMAKE_COMMAND}" DIRECTORY)
zox_run("cpack -G DEB" DIR "${BUILD}"
        COMMAND "${cpack}/cpack" -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${WORK}/pkg")
file(GLOB debs "${WORK}/pkg/*.deb")
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "cpack made ${count} packages: ${debs}")
endif()

execute_process(COMMAND "${DPKG_DEB}" --info ${debs} RESULT_VARIABLE status OUTPUT_VARIABLE info
                ERROR_VARIABLE info)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "dpkg-deb --info failed:\n${info}")
endif()
foreach(field "Package: zox" "Version: 0.99~b1" "Section: games")
  if(NOT info MATCHES "${field}")
    message(FATAL_ERROR "dpkg-deb --info lacks \"${field}\":\n${info}")
  endif()
endforeach()
# The wide-character ncurses and the terminal emulator's library are needed at run time.
if(NOT info MATCHES "Depends:[^\n]*libncursesw6" OR NOT info MATCHES "Depends:[^\n]*libvterm0")
  message(FATAL_ERROR "the package does not depend on libncursesw6 and libvterm0:\n${info}")
endif()
message(STATUS "dpkg-deb --info: ok")

zox_run("dpkg-deb -x" DIR "${WORK}" COMMAND "${DPKG_DEB}" -x ${debs} "${WORK}/root")
zox_play_installed("${WORK}/root" "${WORK}")

find_program(DPKG dpkg)
if(DPKG AND EXISTS /var/lib/dpkg/status)
  file(MAKE_DIRECTORY "${WORK}/admin/info" "${WORK}/admin/updates" "${WORK}/instdir")
  file(COPY /var/lib/dpkg/status DESTINATION "${WORK}/admin")
  file(TOUCH "${WORK}/admin/available")
  zox_run("dpkg -i into a temporary root" DIR "${WORK}"
          COMMAND "${DPKG}" --admindir=${WORK}/admin --instdir=${WORK}/instdir
                  --log=${WORK}/dpkg.log --force-not-root --force-script-chrootless
                  -i ${debs})
  if(NOT EXISTS "${WORK}/instdir/usr/bin/zoxexec")
    message(FATAL_ERROR "dpkg -i did not install usr/bin/zoxexec")
  endif()
endif()
file(REMOVE_RECURSE "${WORK}")
