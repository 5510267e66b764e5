// The script's value rules and the vocabulary's word mappings: what the
// program reads from attribute text (lint reads it the same way).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/script_vocabulary.h"
#include "package/value_rules.h"
#include "platform/cert_store.h"
#include "platform/task_schedule.h"

namespace {
TEST(ScriptVocabulary, RootNames) {
  struct Case { const char16_t* name; CxResult result; uint32_t key; } cases[] = {
      {u"HKEY_CLASSES_ROOT", CX_OK, 0x80000000},  {u"HKEY_CURRENT_USER", CX_OK, 0x80000001},
      {u"HKEY_LOCAL_MACHINE", CX_OK, 0x80000002}, {u"HKEY_USERS", CX_OK, 0x80000003},
      {u"HKEY_CURRENT_CONFIG", CX_OK, 0x80000005},
      {u"HKLM", CX_E_INVALID_ARG, 7},                // short form
      {u"hkey_local_machine", CX_E_INVALID_ARG, 7},  // other case
      {u"HKEY_LOCAL_MACHINE ", CX_E_INVALID_ARG, 7}, // trailing blank
      {u"", CX_E_INVALID_ARG, 7},
  };
  for (const auto& c : cases) {
    uint32_t key = 7;
    EXPECT_EQ(RootKeyFromName(c.name, &key), c.result) << (&c - cases);
    EXPECT_EQ(key, c.key) << (&c - cases);
  }
}

TEST(ValueRules, DwordText) {
  struct Case { const char* text; uint32_t value; } cases[] = {
      {"1", 1},
      {"4294967295", 0xFFFFFFFF},   // the top of the unsigned range, not clamped to 0x7FFFFFFF
      {"-1", 0xFFFFFFFF},
      {"abc", 0},                   // not a number
      {"0x10", 0},                  // decimal only: stops at the first other character
      {"  \t42", 42},               // leading blanks skipped
      {"+7", 7},
      {"99999999999", 0xFFFFFFFF},  // beyond the range: saturates, never wraps
  };
  for (const auto& c : cases) EXPECT_EQ(DwordFromText(c.text), c.value) << c.text;
}

TEST(ValueRules, BinaryText) {
  struct Case { const char* text; CxResult result; std::vector<uint8_t> bytes; } cases[] = {
      {"", CX_OK, {}},                              // empty value
      {"00ffA5", CX_OK, {0x00, 0xFF, 0xA5}},        // either case
      {"0G", CX_E_INVALID_ARG, {9}},                // not a hex digit (must not read as 0x10)
      {"abc", CX_E_INVALID_ARG, {9}},               // odd length
      {"01 2", CX_E_INVALID_ARG, {9}},              // blank inside
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> out{9};
    EXPECT_EQ(BytesFromHexText(c.text, &out), c.result) << c.text;
    EXPECT_EQ(out, c.bytes) << c.text;
  }
  std::vector<uint8_t> out;
  EXPECT_EQ(BytesFromHexText(std::string(130, 'a').c_str(), &out), CX_OK);
  EXPECT_EQ(out.size(), 65u);
  EXPECT_EQ(BytesFromHexText(std::string(129, 'a').c_str(), &out), CX_E_INVALID_ARG);
  EXPECT_EQ(out.size(), 65u);  // untouched
}

TEST(ScriptVocabulary, TaskTypes) {
  struct Case { const char16_t* type; TaskOperation op; } cases[] = {
      {u"Create", kTaskCreate}, {u"Delete", kTaskDelete}, {u"Run", kTaskRun},
      {u"End", kTaskEnd},
      {u"delete", kTaskCreate},  // exact case only
      {u"Stop", kTaskCreate},    // unknown types create
  };
  for (const Case& c : cases) EXPECT_EQ(TaskOperationFromType(c.type), c.op) << (&c - cases);
}

TEST(ValueRules, NumbersAsTheProgramReadsThem) {
  struct Case { const char* text; int number; int32_t minutes; } cases[] = {
      {"12", 12, 12},
      {" -3", -3, -3},   // blanks and a sign
      {"10m", 10, 10},   // up to the first other character
      {"abc", 7, 0},     // none: "%d" leaves the default, atoi gives 0
  };
  for (const Case& c : cases) {
    int n = 7;
    EXPECT_EQ(IntFromText(c.text, &n), c.number != 7) << c.text;
    EXPECT_EQ(n, c.number) << c.text;
    EXPECT_EQ(MinutesFromText(c.text), c.minutes) << c.text;
  }
  EXPECT_EQ(MinutesFromText("99999999999"), 2147483647);  // held at the int range
}

TEST(ValueRules, WordsOfTheCertificateAttributes) {
  // Plain substrings, exact case; the bits are the removal masks.
  EXPECT_EQ(WordMask(kCertTypeWords, u"RSA|SM2"), kRemoveRsa | kRemoveSm2);
  EXPECT_EQ(WordMask(kCertTypeWords, u"rsa"), 0u);
  EXPECT_EQ(WordMask(kKeySpecWords, u"SIGNATUREKEYEXCHANGE"), kRemoveKeyExchange | kRemoveSignature);
  EXPECT_EQ(WordMask(kKeySpecWords, u"SIGNATURE"), kRemoveSignature);
}
}  // namespace
