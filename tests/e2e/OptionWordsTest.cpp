// The command line's numbers and the master server's address: what is taken, and the one line
// that says what is wrong.
#include <gtest/gtest.h>

#include "app/OptionWords.h"
#include "support/RunProgram.h"

namespace lr {
namespace {

TEST(OptionWords, WholeNumbersInRangeOrOneLineInWords) {
  struct TCase {
    const char* Text;
    int64_t Min, Max;
    bool Ok;
    int64_t Value;
    const char* Error;
  };
  const TCase cases[] = {
      {"0", 0, INT64_MAX, true, 0, ""},
      {"600", 0, INT64_MAX, true, 600, ""},
      {"abc", 0, INT64_MAX, false, 0, "--x: expected a whole number, 0 or more, got 'abc'"},
      {"-1", 0, INT64_MAX, false, 0, "--x: expected a whole number, 0 or more, got '-1'"},
      {"", 0, INT64_MAX, false, 0, "--x: expected a whole number, 0 or more, got ''"},
      {"1e3", 0, INT64_MAX, false, 0, "--x: expected a whole number, 0 or more, got '1e3'"},
      {"99999999999999999999", 0, INT64_MAX, false, 0,
       "--x: expected a whole number, 0 or more, got '99999999999999999999'"},
      {"16", 1, 16, true, 16, ""},
      {"17", 1, 16, false, 0, "--x: expected a whole number from 1 to 16, got '17'"},
      {"0", 1, 16, false, 0, "--x: expected a whole number from 1 to 16, got '0'"},
  };
  for (const TCase& c : cases) {
    int64_t value = -5;
    std::string error;
    EXPECT_EQ(ParseWholeOption("--x", c.Text, c.Min, c.Max, value, error), c.Ok) << c.Text;
    EXPECT_EQ(error, c.Error) << c.Text;
    if (c.Ok) {
      EXPECT_EQ(value, c.Value) << c.Text;
    }
  }
}

TEST(OptionWords, MasterAddressesWithAndWithoutAPort) {
  struct TCase {
    const char* Text;
    const char* Host;  // nullptr: refused
    const char* Port;
  };
  const TCase cases[] = {
      {"127.0.0.1", "127.0.0.1", "8888"},   {"localhost:9000", "localhost", "9000"},
      {"[::1]:7000", "::1", "7000"},        {"[::1]", "::1", "8888"},
      {"::1", "::1", "8888"},               {"host:0", nullptr, nullptr},
      {"host:65536", nullptr, nullptr},     {"host:", nullptr, nullptr},
      {":8888", nullptr, nullptr},          {"", nullptr, nullptr},
      {"[::1", nullptr, nullptr},           {"[::1]x", nullptr, nullptr},
  };
  for (const TCase& c : cases) {
    std::string host = "?", port = "?", error;
    const bool ok = ParseMaster(c.Text, host, port, error);
    EXPECT_EQ(ok, c.Host != nullptr) << c.Text;
    if (c.Host) {
      EXPECT_EQ(host, c.Host);
      EXPECT_EQ(port, c.Port);
    } else {
      EXPECT_EQ(error.rfind("--master: expected HOST or HOST:PORT", 0), 0u) << error;
    }
  }
}

TEST(OptionWords, TheProgramAnswersABadNumberWithOneShortLine) {
  const test::TRunResult run = test::RunGame({"--headless", "--frames", "abc"});
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_EQ(run.Err, "lavarumble: --frames: expected a whole number, 0 or more, got 'abc'\n");
  const test::TRunResult realtime = test::RunGame({"--realtime"});
  EXPECT_EQ(realtime.ExitCode, 2);
  EXPECT_NE(realtime.Err.find("need --headless"), std::string::npos);

  // Paced on the system clock, the frames still come one after another, each traced.
  test::TTempDir dir;
  const test::TRunResult paced =
      test::RunGame({"--headless", "--realtime", "--frames", "30", "--trace", dir.File("t.jsonl")});
  EXPECT_EQ(paced.ExitCode, 0) << paced.Err;
  EXPECT_EQ(test::ReadLines(dir.File("t.jsonl")).size(), 30u);
}

}  // namespace
}  // namespace lr
