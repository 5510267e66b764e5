# `cxpack cert` against openssl-made certificates. Run with -DCXPACK=<tool>
# -DCERTS=<folder of test certificates> -DWORK=<scratch folder>.
include(${CMAKE_CURRENT_LIST_DIR}/cli_test_lib.cmake)

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
cxpack(cert "${CERTS}/rsa.der" "${CERTS}/sm2.der")
check("several files, each line named: [${out}]" rc EQUAL 0
      AND out STREQUAL "${CERTS}/rsa.der: 0x1 RSA 2048-bit\n${CERTS}/sm2.der: 0x2 SM2\n")
expect_usage("^cxpack: cert: takes one or more FILEs" "cert")
