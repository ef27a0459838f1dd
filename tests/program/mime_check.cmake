# Builds a MIME database from the system's freedesktop.org types and the
# program's own, as an installation does, and checks that "lauflicht.z" is a
# Zentor program and "archiv.Z" still compressed data: with xdg-mime where it
# is installed, otherwise from the weights and flags in the database's glob
# list, which every desktop's lookup reads.
#   -DMIME_XML=<packaging/zentor-mime.xml> -DSYSTEM_XML=<freedesktop.org.xml>
#   -DWORK=<scratch folder>
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/mime/packages)
if(NOT EXISTS ${SYSTEM_XML})
  message(FATAL_ERROR "no shared-mime-info types at ${SYSTEM_XML}")
endif()
file(COPY_FILE ${SYSTEM_XML} ${WORK}/mime/packages/freedesktop.org.xml)
file(COPY_FILE ${MIME_XML} ${WORK}/mime/packages/zentor.xml)
execute_process(COMMAND update-mime-database ${WORK}/mime RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "update-mime-database failed: ${err}")
endif()

find_program(XDG_MIME xdg-mime)
if(XDG_MIME)
  file(WRITE ${WORK}/lauflicht.z "\tBeep\r\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_HOME=${WORK} XDG_DATA_DIRS=${WORK}
                          ${XDG_MIME} query filetype ${WORK}/lauflicht.z
                  OUTPUT_VARIABLE type OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT type STREQUAL "application/x-zentor-program")
    message(FATAL_ERROR "xdg-mime takes lauflicht.z for '${type}'")
  endif()
endif()

# globs2: "weight:type:glob[:flags]", heaviest first.
file(STRINGS ${WORK}/mime/globs2 lines REGEX "^[0-9]+:[^:]+:\\*\\.z(:.*)?$")
list(GET lines 0 first)
if(NOT first MATCHES "^([0-9]+):application/x-zentor-program:\\*\\.z:cs$")
  message(FATAL_ERROR "the first glob for *.z is '${first}' (all: ${lines})")
endif()
if(NOT CMAKE_MATCH_1 GREATER 50)
  message(FATAL_ERROR "the weight ${CMAKE_MATCH_1} ties with compress' 50")
endif()
# A program saved under a name without an extension ends in ".sp2".
file(STRINGS ${WORK}/mime/globs2 lines REGEX "^[0-9]+:[^:]+:\\*\\.sp2(:.*)?$")
if(NOT lines MATCHES "application/x-zentor-program")
  message(FATAL_ERROR "no program type for *.sp2 (${lines})")
endif()
