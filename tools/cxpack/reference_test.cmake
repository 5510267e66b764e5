# docs/script-reference.md must be what `cxpack help script` prints: the
# reference is generated from the program, so a stale copy is a fault.
# Run with -DCXPACK=<tool> -DSOURCE=<source tree>.
include(${CMAKE_CURRENT_LIST_DIR}/cli_test_lib.cmake)
cxpack(help script)
file(READ "${SOURCE}/docs/script-reference.md" committed)
check("docs/script-reference.md is current (tools/cxpack/update-reference.sh rewrites it)"
      rc EQUAL 0 AND out STREQUAL committed)
cxpack(help "script#file")
check("one entry, named ignoring case: [${out}]" rc EQUAL 0 AND out MATCHES "^## File\n\nCopies one file")
expect_usage("^cxpack: help: the script reference has no entry \"Flie\"" "help,script#Flie")
