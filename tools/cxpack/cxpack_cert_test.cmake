# `cxpack cert` against openssl-made certificates. Run with -DCXPACK=<tool>
# -DCERTS=<folder of test certificates> -DWORK=<scratch folder>.
function(check what)
  if(NOT (${ARGN}))
    message(SEND_ERROR "FAILED: ${what}")
  endif()
endfunction()
macro(cxpack)
  execute_process(COMMAND "${CXPACK}" ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
endmacro()

foreach(entry "rsa=0x1 RSA 2048-bit" "p256=0x103 P-256" "sm2=0x2 SM2" "secp256k1=0x113 secp256k1"
              "p521-self=0x105 P-521")
  string(FIND "${entry}" "=" eq)
  string(SUBSTRING "${entry}" 0 ${eq} name)
  math(EXPR eq "${eq} + 1")
  string(SUBSTRING "${entry}" ${eq} -1 want)
  cxpack(cert "${CERTS}/${name}.der")
  check("${name}: [${out}] ${err}" rc EQUAL 0 AND out STREQUAL "${want}\n")
endforeach()

cxpack(cert "${CERTS}/pss.der")
check("PSS fails with its code: [${err}]" rc EQUAL 1 AND err MATCHES "^cxpack: .*/pss.der: 0xE0600003 ")
file(MAKE_DIRECTORY "${WORK}")
file(WRITE "${WORK}/empty.der" "")
cxpack(cert "${WORK}/empty.der")
check("empty file: [${err}]" rc EQUAL 1 AND err MATCHES ": 0xE0600007 ")
cxpack(cert)
check("no file is a usage error" rc EQUAL 2)
