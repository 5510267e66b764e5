# cxpack lint and plan against real packages: the sample product, every
# test package and the reviewed plans in tests/data/plan (regenerate those
# with tools/cxpack/update-plans.sh after a deliberate change).
# Run with -DCXPACK=<tool> -DSOURCE=<source tree>.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

include(${CMAKE_CURRENT_LIST_DIR}/cli_test_lib.cmake)

# Packages that lint clean.
set(nothing "")
# The sample product's programs (provider module, launcher, certificate) are
# staged at build time, so its script is linted alone here, away from its
# package folder; the build lints the staged folder, files included, before
# it writes CorvexaSetup.exe.
file(COPY "${SOURCE}/examples/sample-product/PackageFiles/SetupScript.xml"
     DESTINATION "${WORK}/sample-script")
foreach(dir "${WORK}/sample-script/SetupScript.xml" "${SOURCE}/tests/data/lint/all-actions"
            "${SOURCE}/tests/data/dialog")
  cxpack(lint "${dir}")
  check("${dir} lints clean (rc ${rc}):\n${out}${err}" rc EQUAL 0 AND out STREQUAL nothing)
endforeach()

# The end-to-end checks package is English only and stages its helper
# program at build time; its missing payload is deliberate.
cxpack(lint "${SOURCE}/tests/e2e/packages/checks")
check("checks package: its one deliberate fault, and not another (rc ${rc}):\n${out}"
      rc EQUAL 1 AND out MATCHES "SetupScript.xml:[0-9]+:[0-9]+: error: File source \"PackageFiles\\\\Data\\\\missing.txt\" is not in the package")

# File names must fit the code page the package is packed with.
file(COPY "${SOURCE}/tests/data/lint/all-actions/" DESTINATION "${WORK}/names")
file(WRITE "${WORK}/names/PackageFiles/Bin/表.txt" "x")
cxpack(lint "${WORK}/names")
check("non-ASCII name without a code page: [${out}]"
      rc EQUAL 1 AND out STREQUAL "PackageFiles/Bin/表.txt: error: non-ASCII name needs --codepage\n")
cxpack(lint "${WORK}/names" --codepage 1252)
check("name the code page cannot hold: [${out}]"
      rc EQUAL 1 AND out MATCHES "表.txt: error: name cannot be stored in code page 1252")
cxpack(lint "${WORK}/names" --codepage 936)
check("name the code page holds: [${out}]" rc EQUAL 0 AND out STREQUAL nothing)

# A script named directly: findings carry the path as given.
file(WRITE "${WORK}/bad.xml" "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n  <Action name=\"Insall\">\n</Config>\n")
cxpack(lint "${WORK}/bad.xml")
check("direct script: [${out}]" rc EQUAL 1 AND out MATCHES "^${WORK}/bad.xml:[0-9]+:[0-9]+: error: not well-formed")

# Bad input and usage.
cxpack(lint "${WORK}/missing")
check("missing folder: [${err}]" rc EQUAL 1 AND err STREQUAL "cxpack: ${WORK}/missing: no such file or folder\n")
cxpack(plan "${WORK}/missing")
check("plan of a missing folder: [${err}]" rc EQUAL 1 AND err MATCHES "^cxpack: .*missing: no such file or folder\n$")
cxpack(plan "${WORK}/bad.xml")
check("plan of a broken script: [${err}]" rc EQUAL 1 AND err MATCHES "^cxpack: .*bad.xml: the script does not load")
expect_usage("usage: cxpack" "lint" "plan" "plan,x,--os,16" "plan,x,--lang,fr" "lint,a,b")

# The sample product's plans match the reviewed files.
foreach(mode install uninstall)
  foreach(lang zh_cn en_us zh_tw)
    foreach(os 64 32)
      cxpack(plan "${SOURCE}/examples/sample-product" --mode ${mode} --lang ${lang} --os ${os})
      file(READ "${SOURCE}/tests/data/plan/${mode}-${lang}-${os}.txt" expected)
      check("plan ${mode} ${lang} ${os} matches tests/data/plan (rc ${rc})" rc EQUAL 0 AND out STREQUAL expected)
    endforeach()
  endforeach()
endforeach()
cxpack(plan "${SOURCE}/examples/sample-product" --json)
file(READ "${SOURCE}/tests/data/plan/install-en_us-64.json" expected)
check("JSON plan matches (rc ${rc})" rc EQUAL 0 AND out STREQUAL expected)
