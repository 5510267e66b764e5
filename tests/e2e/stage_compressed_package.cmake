# Assembles the end-to-end compressed package in STAGE from SOURCE, with
# what a source tree cannot hold: an empty folder, and large.bin, 17 MiB of
# numbered lines, larger than the 16 MiB window a package frame may use.
file(REMOVE_RECURSE "${STAGE}")
file(COPY "${SOURCE}/" DESTINATION "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}/PackageFiles/Files/Empty")
set(block "")
foreach(i RANGE 1 2000)
  string(APPEND block "line ${i} of the large file, longer than a decoder's window\n")
endforeach()
string(LENGTH "${block}" blockLength)
math(EXPR repeats "(17 * 1024 * 1024) / ${blockLength} + 1")
string(REPEAT "${block}" ${repeats} large)
file(WRITE "${STAGE}/PackageFiles/Files/large.bin" "${large}")
