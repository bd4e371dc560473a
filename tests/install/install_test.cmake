# cmake --install into a temporary root (DESTDIR), then the installed programs compile and
# play the installed example.
#   cmake -DBUILD=dir -DWORK=dir -DZOX_PLAY_WALKTHROUGH=file -P install_test.cmake
include("${CMAKE_CURRENT_LIST_DIR}/play_installed.cmake")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
zox_run("cmake --install" DIR "${WORK}"
        COMMAND "${CMAKE_COMMAND}" -E env "DESTDIR=${WORK}/root"
                "${CMAKE_COMMAND}" --install "${BUILD}" --prefix /usr)
zox_play_installed("${WORK}/root" "${WORK}")
file(REMOVE_RECURSE "${WORK}")
