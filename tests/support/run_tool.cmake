# Runs a program with ARGS (separated by "|") and checks its exit status and output.
#   -DTOOL=path -DARGS=... -DEXPECT_RC=n
#   -DEXPECT_OUT=text -DEXPECT_ERR=text              compared in full
#   -DEXPECT_OUT_MATCH=regex -DEXPECT_ERR_MATCH=regex  searched for
# "\t" and "\n" in the texts and expressions stand for a tab and a line end.
string(REPLACE "|" ";" ARGS "${ARGS}")
execute_process(COMMAND ${TOOL} ${ARGS}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL EXPECT_RC)
  message(FATAL_ERROR "exit status ${rc}, expected ${EXPECT_RC}\nstdout:\n${out}\nstderr:\n${err}")
endif()
foreach(stream OUT ERR)
  string(TOLOWER ${stream} var)
  foreach(check "" _MATCH)
    if(NOT DEFINED EXPECT_${stream}${check})
      continue()
    endif()
    string(REPLACE "\\t" "\t" want "${EXPECT_${stream}${check}}")
    string(REPLACE "\\n" "\n" want "${want}")
    if(check STREQUAL "" AND NOT "${${var}}" STREQUAL "${want}")
      message(FATAL_ERROR "std${var} differs:\n[${${var}}]\nexpected:\n[${want}]")
    elseif(check STREQUAL "_MATCH" AND NOT "${${var}}" MATCHES "${want}")
      message(FATAL_ERROR "std${var} does not match:\n[${${var}}]\nexpected:\n[${want}]")
    endif()
  endforeach()
endforeach()
