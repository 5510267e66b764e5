# cxpack lint and plan against real packages: the sample product, every
# test package and the reviewed plans in tests/data/plan (regenerate those
# with tools/cxpack/update-plans.sh after a deliberate change).
# Run with -DCXPACK=<tool> -DSOURCE=<source tree>.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

include(${CMAKE_CURRENT_LIST_DIR}/cli_test_lib.cmake)

# Packages that lint clean: the sample product as kept here (its built
# programs are named in its staged-files.txt), and the test packages.
set(nothing "")
foreach(dir "${SOURCE}/examples/sample-product" "${SOURCE}/tests/data/lint/all-actions"
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
check("non-ASCII name without a code page, named as typed: [${out}]"
      rc EQUAL 1 AND out STREQUAL "${WORK}/names/PackageFiles/Bin/表.txt: error: non-ASCII name needs --codepage (see cxpack help script#package)\n")
cxpack(lint "${WORK}/names" --codepage 1252)
check("name the code page cannot hold: [${out}]"
      rc EQUAL 1 AND out MATCHES "表.txt: error: name cannot be stored in code page 1252")
cxpack(lint "${WORK}/names" --codepage 936)
check("name the code page holds: [${out}]" rc EQUAL 0 AND out STREQUAL nothing)

# A script named directly: findings carry the path as given.
file(WRITE "${WORK}/bad.xml" "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n  <Action name=\"Insall\">\n</Config>\n")
cxpack(lint "${WORK}/bad.xml")
check("direct script, its fault's reference entry named: [${out}]" rc EQUAL 1
      AND out MATCHES "^${WORK}/bad.xml:[0-9]+:[0-9]+: error: not well-formed[^\n]* \\(see cxpack help script#format\\)\n$")

# Bad input and usage.
cxpack(lint "${WORK}/missing")
check("missing folder: [${err}]" rc EQUAL 1 AND err STREQUAL "cxpack: ${WORK}/missing: no such file or folder\n")
cxpack(plan "${WORK}/missing")
check("plan of a missing folder: [${err}]" rc EQUAL 1 AND err MATCHES "^cxpack: .*missing: no such file or folder\n$")
cxpack(plan "${WORK}/bad.xml")
check("plan of a broken script says where, what, and to lint: [${err}]" rc EQUAL 1
      AND err MATCHES "^cxpack: [^\n]*bad.xml:3:3: error: not well-formed: <Action> is never closed[^\n]*. \"cxpack lint [^\n]*bad.xml\" lists every fault\n$")
file(WRITE "${WORK}/undefined/PackageFiles/SetupScript.xml"
     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n  <SetupInfo><InstallDir>$(pf33)</InstallDir></SetupInfo>\n</Config>\n")
cxpack(plan "${WORK}/undefined")
check("plan of an undefined variable names it: [${err}]" rc EQUAL 1
      AND err MATCHES "^cxpack: [^\n]*undefined/PackageFiles/SetupScript.xml:3:26: error: ..pf33. is undefined: loading fails")
expect_usage("." "lint" "plan" "lint,a,b")
expect_usage("^cxpack: plan: --os takes 64 or 32, not \"16\"" "plan,x,--os,16")
expect_usage("^cxpack: plan: --lang takes zh_cn, en_us or zh_tw, not \"fr\"" "plan,x,--lang,fr" "plan,x,--lang=fr")

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
cxpack(plan "${SOURCE}/examples/sample-product" --mode=uninstall --lang=zh_tw --os=32)
file(READ "${SOURCE}/tests/data/plan/uninstall-zh_tw-32.txt" expected)
check("--name=value options (rc ${rc})" rc EQUAL 0 AND out STREQUAL expected)
cxpack(plan "${SOURCE}/examples/sample-product" --json)
file(READ "${SOURCE}/tests/data/plan/install-en_us-64.json" expected)
check("JSON plan matches (rc ${rc})" rc EQUAL 0 AND out STREQUAL expected)
