# A setup's image layout, read from its PE header: sections page-aligned in
# the file (so Wine maps the package instead of copying it into private
# memory) and large-address-aware. A tool that rewrites the setup must keep
# both.
if(CMAKE_OBJDUMP)
  add_test(NAME setup.layout.page_aligned_sections
           COMMAND ${CMAKE_OBJDUMP} -p $<TARGET_FILE:CorvexaSetup>)
  set_tests_properties(setup.layout.page_aligned_sections PROPERTIES
    PASS_REGULAR_EXPRESSION "FileAlignment[ \t]+00001000")
  add_test(NAME setup.layout.large_address_aware
           COMMAND ${CMAKE_OBJDUMP} -p $<TARGET_FILE:CorvexaSetup>)
  set_tests_properties(setup.layout.large_address_aware PROPERTIES
    PASS_REGULAR_EXPRESSION "large address aware")
endif()
