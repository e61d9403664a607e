// The box watchdog itself: a process that raises a box is caught, the box is
// named with its caption and text, and closed so the process can end.
#include <gtest/gtest.h>

#include "support/process_run.h"

using namespace velmora::test;

TEST(BoxWatchdog, ABoxRaisedByAProcessUnderTestIsCaughtNamedAndClosed) {
  const RunOutcome r =
      RunToEnd(SuiteProgram("box_helper.exe"), "\"Velmora check\" \"Nobody is there to answer this.\"", 30000);
  EXPECT_TRUE(r.ended) << "the box was not closed";
  ASSERT_EQ(1u, r.boxes.size()) << BoxesText(r.boxes);
  EXPECT_EQ("Velmora check", r.boxes[0].caption);
  EXPECT_NE(r.boxes[0].text.find("Nobody is there to answer this."), std::string::npos) << r.boxes[0].text;

  // A process that raises none is not blamed for one.
  const RunOutcome quiet = RunToEnd(SuiteProgram("Quorvel.exe"), "/bogus", 30000);
  EXPECT_TRUE(quiet.ended);
  EXPECT_TRUE(quiet.boxes.empty()) << BoxesText(quiet.boxes);
}
