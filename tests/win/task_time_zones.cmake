# The created task's begin date is the user's local date. Run that test far
# west and far east of UTC as well: at any hour of the day one of the two
# has a local date other than the UTC one, so a UTC date cannot pass both.
foreach(zone "Etc/GMT+12" "Etc/GMT-14")
  string(REGEX REPLACE "[^A-Za-z0-9]+" "_" tag "${zone}")
  add_test(NAME win.task_begin_date.${tag}
           COMMAND cx_win_tests --gtest_filter=ScheduleTask.CreatedTask*)
  set_tests_properties(win.task_begin_date.${tag} PROPERTIES ENVIRONMENT "TZ=${zone}")
endforeach()
