// The dialog's failure policy, as a table of reports and expected answers.
#include <gtest/gtest.h>

#include "engine/failure_policy.h"

TEST(FailurePolicy, AnswersByNameAndResult) {
  const struct {
    const char16_t* name;
    uint32_t phase, result;
    bool cancel;
    uint32_t answer;
  } cases[] = {
      {u"File", 1, 5, false, kProgressStop},                   // ordinary failure stops
      {u"File", 0, 0, true, kProgressStop},                    // cancel wins before Execute
      {u"KillProcess", 1, 0x80004005, false, kProgressGoOn},   // tolerated
      {u"SetAppTaskScheduler", 1, 5, false, kProgressGoOn},    // tolerated
      {u"killprocess", 1, 5, false, kProgressStop},            // names are case-sensitive
      {u"DelRegister", 1, 2, false, kProgressGoOn},            // key already gone
      {u"DelRegister", 1, 3, false, kProgressStop},            // path not found is not "gone"
  };
  for (const auto& c : cases) {
    ProgressRecord r;
    r.name = WString(c.name);
    r.phase = c.phase;
    r.result = c.result;
    EXPECT_EQ(DialogProgressAnswer(r, c.cancel), c.answer) << r.name.Narrow() << " " << c.result;
  }
}
