# Shared by the cxpack command-line tests (cmake -P scripts).

function(check what)
  if(NOT (${ARGN}))
    message(SEND_ERROR "FAILED: ${what}")
  endif()
endfunction()

# Runs cxpack with ARGN; sets rc, out, err in the caller.
macro(cxpack)
  execute_process(COMMAND "${CXPACK}" ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
endmacro()

# expect_usage(PATTERN ARGS...): each ARGS entry (a list joined by commas)
# is a usage error: status 2 and one line on stderr matching PATTERN and
# ending in where to read more.
function(expect_usage pattern)
  foreach(args IN LISTS ARGN)
    string(REPLACE "," ";" args "${args}")
    cxpack(${args})
    check("usage error for [${args}] (rc ${rc}): [${err}]" rc EQUAL 2 AND err MATCHES "${pattern}"
          AND err MATCHES "^cxpack: [^\n]*. see \"cxpack help[a-z ]*\"\n$")
  endforeach()
endfunction()
