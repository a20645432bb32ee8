// The real game window under a private X server: its caption, the Escape key, a match and
// the options dialog.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/RunProgram.h"

namespace lr::test {
namespace {

TEST(GameWindow, CaptionShowsSixtyFramesAndEscapeCloses) {
  if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0)
    GTEST_FAIL() << "Xvfb and xdotool are needed: run scripts/setup.sh";
  TTempDir dir;
#ifdef LR_SANITIZED
  const std::string caption = "LR_CAPTION='^FPS = [1-9][0-9]*$' ";
#else
  const std::string caption;
#endif
  const std::string command = caption + "bash '" + LR_SOURCE_DIR + "/tests/window/window_caption.sh' '" +
                              LR_BINARY + "' >'" + dir.File("out") + "' 2>'" + dir.File("err") + "'";
  const int status = std::system(command.c_str());
  std::cout << ReadText(dir.File("err"));
  EXPECT_EQ(status, 0) << ReadText(dir.File("out"));
}

TEST(GameWindow, AMatchStartsByMouseInAScaledWindowAndIsPlayedByKeys) {
  TTempDir dir;
  const std::string command = std::string("bash '") + LR_SOURCE_DIR + "/tests/window/window_match.sh' '" +
                              LR_BINARY + "' '' >'" + dir.File("out") + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadText(dir.File("out"));
}

TEST(GameWindow, OptionsAppliedInTheDialogAreThereAfterARestart) {
  TTempDir dir;
  const std::string command = std::string("bash '") + LR_SOURCE_DIR + "/tests/window/window_options.sh' '" +
                              LR_BINARY + "' '' >'" + dir.File("out") + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadText(dir.File("out"));
}

}  // namespace
}  // namespace lr::test
