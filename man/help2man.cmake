# cmake -DHELP2MAN=... -DPROGRAM=... -DINCLUDE=... -DPAGE=... -P help2man.cmake
# One program's manual page, gzipped: help2man reads its --help and
# --version; the NAME line is the summary that --help gives after its usage.
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed (${status})")
endif()
string(REGEX REPLACE "^Usage:[^\n]*\n(  or:[^\n]*\n)*" "" rest "${help}")
string(REGEX MATCH "^[^\n]+" summary "${rest}")
string(REGEX REPLACE "\\.$" "" summary "${summary}")
# "Check a controller..." in --help, "check a controller..." after the name.
string(SUBSTRING "${summary}" 0 1 first)
string(SUBSTRING "${summary}" 1 -1 rest)
string(TOLOWER "${first}" first)
set(summary "${first}${rest}")
set(include_options)
if(EXISTS ${INCLUDE})
  set(include_options --include=${INCLUDE})
endif()
execute_process(COMMAND ${HELP2MAN} --no-info --no-discard-stderr --name=${summary}
  ${include_options} --output=${PAGE} ${PROGRAM} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${PROGRAM}")
endif()
execute_process(COMMAND gzip -9nf ${PAGE} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${PAGE}")
endif()
