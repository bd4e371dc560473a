# Plays one walkthrough of an adventure that ships as sources, as an author would: copies the
# folder of sources to a fresh work folder, compiles every source of the story there (the story
# itself, STORY.adv, and the sources of its other parts: STORY.adv in subfolders, or sources
# beside it whose names begin with STORY, such as STORY2.adv), puts the part files beside part 1
# under the story's name (STORY.zo0 for part 2) and runs zoxtest on STORY.zox.
#   cmake -DZOXCOMP=... -DZOXTEST=... -DSOURCES=dir -DSTORY=name -DWALK=file -DWORK=dir
#         [-DTRANSCRIPT=file] -P play_walkthrough.cmake
foreach(var ZOXCOMP ZOXTEST SOURCES STORY WALK WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "play_walkthrough.cmake needs -D${var}=...")
  endif()
endforeach()
if(NOT EXISTS "${SOURCES}/${STORY}.adv")
  message(FATAL_ERROR "${WALK}: there is no ${SOURCES}/${STORY}.adv for it to play "
                      "(a walkthrough STORY.walk or STORY.CASE.walk plays STORY.adv)")
endif()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${SOURCES}/" DESTINATION "${WORK}")
file(GLOB_RECURSE story_sources "${WORK}/${STORY}.adv")
file(GLOB siblings "${WORK}/${STORY}*.adv")
list(APPEND story_sources ${siblings})
list(REMOVE_DUPLICATES story_sources)
foreach(source ${story_sources})
  get_filename_component(dir "${source}" DIRECTORY)
  get_filename_component(name "${source}" NAME)
  get_filename_component(base "${source}" NAME_WE)
  execute_process(COMMAND "${ZOXCOMP}" "${name}" WORKING_DIRECTORY "${dir}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "zoxcomp ${source} ended with ${status}:\n${out}")
  endif()
  file(GLOB parts "${dir}/${base}.zo[0-9]")
  foreach(part ${parts})
    string(REGEX MATCH "[0-9]$" digit "${part}")
    if(NOT part STREQUAL "${WORK}/${STORY}.zo${digit}")
      execute_process(COMMAND "${CMAKE_COMMAND}" -E copy "${part}" "${WORK}/${STORY}.zo${digit}")
    endif()
  endforeach()
endforeach()

set(options "")
if(DEFINED TRANSCRIPT)
  set(options --transcript "${TRANSCRIPT}")
endif()
execute_process(COMMAND "${ZOXTEST}" ${options} "${STORY}.zox" "${WALK}"
                WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "zoxtest ${WALK} ended with ${status}")
endif()
file(REMOVE_RECURSE "${WORK}")
