# The created task's begin date is the user's local date. Run that test far
# west and far east of UTC as well: at any hour of the day one of the two
# has a local date other than the UTC one, so a UTC date cannot pass both.
foreach(pair "west=Etc/GMT+12" "east=Etc/GMT-14")
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 side)
  list(GET pair 1 zone)
  add_test(NAME win.task_begin_date.${side}
           COMMAND cx_win_tests --gtest_filter=ScheduleTask.CreatedTask*)
  set_tests_properties(win.task_begin_date.${side} PROPERTIES ENVIRONMENT "TZ=${zone}")
endforeach()
