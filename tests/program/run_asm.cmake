# Runs zentor-asm with ARGS (separated by "|") and checks its exit status and output.
#   -DASM=path -DARGS=... -DEXPECT_RC=n -DEXPECT_OUT=text -DEXPECT_ERR=text
# EXPECT_OUT and EXPECT_ERR are compared in full; "\t" and "\n" in them stand
# for a tab and a line end.
string(REPLACE "|" ";" ARGS "${ARGS}")
execute_process(COMMAND ${ASM} ${ARGS}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL EXPECT_RC)
  message(FATAL_ERROR "exit status ${rc}, expected ${EXPECT_RC}\nstdout:\n${out}\nstderr:\n${err}")
endif()
foreach(stream OUT ERR)
  if(DEFINED EXPECT_${stream})
    string(REPLACE "\\t" "\t" want "${EXPECT_${stream}}")
    string(REPLACE "\\n" "\n" want "${want}")
    string(TOLOWER ${stream} var)
    if(NOT "${${var}}" STREQUAL "${want}")
      message(FATAL_ERROR "std${var} differs:\n[${${var}}]\nexpected:\n[${want}]")
    endif()
  endif()
endforeach()
