// The dialog's failure policy, as a table of reports and expected answers.
#include <gtest/gtest.h>

#include "engine/failure_policy.h"

namespace {

struct Case {
  const char16_t* name;
  uint32_t phase;
  uint32_t result;
  bool cancel;
  uint32_t answer;
};

const Case kCases[] = {
    {u"File", 0, 0, false, kProgressGoOn},                      // before Execute
    {u"File", 1, 5, false, kProgressStop},                      // ordinary failure stops
    {u"File", 0, 0, true, kProgressStop},                       // cancel wins before Execute
    {u"KillProcess", 1, 0x80004005, false, kProgressGoOn},      // tolerated
    {u"AddTrustedSite", 1, 0x80004001, false, kProgressGoOn},   // tolerated
    {u"DelTrustedSite", 1, 2, false, kProgressGoOn},            // tolerated
    {u"SetAppTaskScheduler", 1, 5, false, kProgressGoOn},       // tolerated
    {u"killprocess", 1, 5, false, kProgressStop},               // names are case-sensitive
    {u"DelRegister", 1, 2, false, kProgressGoOn},               // key already gone
    {u"DelRegister", 1, 5, false, kProgressStop},               // any other failure stops
    {u"DelRegister", 1, 3, false, kProgressStop},               // path not found is not "gone"
    {u"Unknown", 1, kResultNoAction, false, kProgressStop},     // element without action
};

TEST(FailurePolicy, AnswersByNameAndResult) {
  for (const Case& c : kCases) {
    ProgressRecord r;
    r.name = WString(c.name);
    r.phase = c.phase;
    r.result = c.result;
    EXPECT_EQ(DialogProgressAnswer(r, c.cancel), c.answer)
        << WString(c.name).Narrow() << " phase " << c.phase << " result " << c.result;
  }
}

}  // namespace
