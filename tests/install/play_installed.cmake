# Checks an installed tree (ROOT holds usr/...): every file is in its place, the installed
# zoxcomp compiles the installed examples, the installed zoxdump lists one, and the installed
# zoxtest plays the lighthouse with the installed zoxexec (the one beside it), first along a
# walkthrough of the start that fits any adventure, then along every walkthrough installed
# with the examples.
#   include(play_installed.cmake) then zox_play_installed(ROOT WORK)

set(ZOX_INSTALLED_FILES
  usr/bin/zoxcomp usr/bin/zoxexec usr/bin/zoxdump usr/bin/zoxtest
  usr/share/man/man1/zoxcomp.1 usr/share/man/man1/zoxexec.1 usr/share/man/man1/zoxdump.1
  usr/share/man/man1/zoxtest.1 usr/share/man/man5/zox.5
  usr/share/doc/zox/README.md usr/share/doc/zox/language.md usr/share/doc/zox/zoxtest.md
  usr/share/doc/zox/examples/lighthouse.adv)

function(zox_run what)
  cmake_parse_arguments(ARG "" "DIR;EXPECT" "COMMAND" ${ARGN})
  if(NOT DEFINED ARG_EXPECT)
    set(ARG_EXPECT 0)
  endif()
  execute_process(COMMAND ${ARG_COMMAND} WORKING_DIRECTORY "${ARG_DIR}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status STREQUAL "${ARG_EXPECT}")
    message(FATAL_ERROR "${what}: ended with ${status}, not ${ARG_EXPECT}:\n${out}")
  endif()
  message(STATUS "${what}: ok")
endfunction()

function(zox_play_installed root work)
  foreach(f ${ZOX_INSTALLED_FILES})
    if(NOT EXISTS "${root}/${f}")
      message(FATAL_ERROR "not installed: ${f}")
    endif()
  endforeach()
  set(bin "${root}/usr/bin")
  set(play "${work}/play")
  file(REMOVE_RECURSE "${play}")
  file(MAKE_DIRECTORY "${play}")
  file(COPY "${root}/usr/share/doc/zox/examples/" DESTINATION "${play}")

  # Every example source compiles, each in its own folder (parts of a story lie in subfolders).
  file(GLOB_RECURSE sources "${play}/*.adv")
  foreach(source ${sources})
    get_filename_component(dir "${source}" DIRECTORY)
    get_filename_component(name "${source}" NAME)
    zox_run("installed zoxcomp ${name}" DIR "${dir}" COMMAND "${bin}/zoxcomp" "${name}")
  endforeach()
  zox_run("installed zoxdump" DIR "${play}" COMMAND "${bin}/zoxdump" lighthouse.zox)

  # The start: the file passes zoxexec's test, play begins (the start-up lines are cleared
  # away and the adventure waits for the player), and Ctrl-C stops it with error 10.
  file(WRITE "${play}/start.walk"
       "expect > Testing Zox-File   ... [OK]\n"
       "expect > Starting adventure ... [PLAYING]\n"
       "absent > Starting adventure\n"
       "key Ctrl-C\n"
       "exit 10\n")
  zox_run("installed zoxtest, the start of the lighthouse" DIR "${play}"
          COMMAND "${CMAKE_COMMAND}" -E env "PATH=/usr/bin:/bin"
                  "${bin}/zoxtest" --transcript start.txt lighthouse.zox start.walk)
  file(READ "${play}/start.txt" transcript)
  if(NOT transcript MATCHES "page 2\n")
    message(FATAL_ERROR "the transcript has no page of play:\n${transcript}")
  endif()

  file(GLOB walks "${root}/usr/share/doc/zox/examples/*.walk")
  foreach(walk ${walks})
    get_filename_component(name "${walk}" NAME)
    string(REGEX REPLACE "\\.walk$" "" story "${name}")
    while(NOT EXISTS "${play}/${story}.adv" AND story MATCHES "[.-]")
      string(REGEX REPLACE "[.-][^.-]*$" "" story "${story}")
    endwhile()
    zox_run("installed walkthrough ${name}" DIR "${work}"
            COMMAND "${CMAKE_COMMAND}" -DZOXCOMP=${bin}/zoxcomp -DZOXTEST=${bin}/zoxtest
                    -DSOURCES=${root}/usr/share/doc/zox/examples -DSTORY=${story}
                    -DWALK=${walk} -DWORK=${work}/walk-${name}
                    -P "${ZOX_PLAY_WALKTHROUGH}")
  endforeach()
endfunction()
