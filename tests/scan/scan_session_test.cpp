#include "scan/scan_session.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/test_folder.h"

using namespace velmora;
using namespace velmora::scan;

namespace {

// ---- OrderedWorker ---------------------------------------------------------

using Worker = OrderedWorker<int, std::string>;

TEST(OrderedWorker, ResultsComeBackInPushOrderWhetherTakenEarlyOrAtTheEnd) {
  std::atomic<int> worked{0};
  Worker w([&](const int& job) {
    if (job % 7 == 0) Sleep(1);
    if (job == 13) throw std::runtime_error("cannot look");
    ++worked;
    return std::to_string(job);
  });
  const int n = int(Worker::kMaxWaiting) * 3;  // more than the queue holds unworked
  std::vector<int> order;
  auto take = [&](Worker::Done& d) {
    order.push_back(d.job);
    // A job that fails gives the empty result.
    EXPECT_EQ(d.job == 13 ? std::string() : std::to_string(d.job), d.result);
  };
  std::vector<int> batch;
  for (int i = 0; i < n; ++i) {
    batch.push_back(i);
    if (batch.size() == 50) {
      w.Push(batch);
      EXPECT_TRUE(batch.empty());
      w.Drain(false, take);
    }
  }
  w.Push(batch);
  w.Drain(true, take);
  ASSERT_EQ(int(order.size()), n);
  for (int i = 0; i < n; ++i) ASSERT_EQ(order[size_t(i)], i);
  EXPECT_EQ(0u, w.pending());
  EXPECT_EQ(n - 1, worked.load());
}

TEST(OrderedWorker, ClosingWithJobsLeftDropsThemWithoutWaitingForAll) {
  std::atomic<int> worked{0};
  {
    Worker w([&](const int&) {
      Sleep(5);
      ++worked;
      return std::string();
    });
    std::vector<int> batch;
    for (int i = 0; i < 100; ++i) batch.push_back(i);
    w.Push(batch);
    Sleep(20);
  }
  EXPECT_LT(worked.load(), 100);
}

// ---- ScanSession -----------------------------------------------------------

struct Probed {
  DWORD thread = 0;
  std::uint64_t size = 0;
};

// A tree of 300 files in nested folders, so several batches and folders pass.
class ScanSessionTree : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int d = 0; d < 6; ++d)
      for (int f = 0; f < 50; ++f)
        dir_.SizedFile("d" + std::to_string(d) + "\\sub\\f" + std::to_string(f) + ".dat", std::uint64_t(f));
  }

  test::TestFolder dir_;
};

TEST_F(ScanSessionTree, FilesAreProbedOffThreadAndJudgedInTheOrderFound) {
  TTreeScanner ts;
  ts.SetInitialDirectory(dir_.path());
  ts.SetFileMask("*.dat");
  std::vector<std::string> found, judged;
  std::vector<std::string> folders;
  ScanSession<Probed> session(
      [](const FoundFile& f) { return Probed{GetCurrentThreadId(), f.listing.size}; },
      [&](FoundFile& f, Probed& p) {
        EXPECT_NE(GetCurrentThreadId(), p.thread);  // probed on the session's thread
        EXPECT_EQ(f.listing.size, p.size);
        EXPECT_EQ(7, f.pass);
        judged.push_back(f.path);
      },
      [&](const std::string& folder) { folders.push_back(folder); });
  ts.SetOnFileFound([&](TTreeScanner& s) {
    found.push_back(s.FileFound());
    session.Add(s, 7);
  });
  ts.SetOnDirectoryFound([&](TTreeScanner& s) { session.AtFolder(s); });
  ts.SetOnSearchDone([&](TTreeScanner&) { session.TakeAll(); });
  {
    ScanSession<Probed>::Running running(session);
    EXPECT_TRUE(session.active());
    ts.Scan();
  }
  EXPECT_FALSE(session.active());
  ASSERT_EQ(300u, found.size());
  EXPECT_EQ(found, judged);
  // The status text: at the first folder at once, then at most every 100 ms.
  ASSERT_FALSE(folders.empty());
  EXPECT_EQ(dir_.path(), folders.front());
  EXPECT_LE(folders.size(), 13u);  // 13 folders in all
}

TEST_F(ScanSessionTree, AStopStillJudgesWhatWasFoundBeforeIt) {
  TTreeScanner ts;
  ts.SetInitialDirectory(dir_.path());
  ts.SetFileMask("*.dat");
  std::vector<std::string> found, judged;
  ScanSession<Probed> session([](const FoundFile& f) { return Probed{0, f.listing.size}; },
                              [&](FoundFile& f, Probed&) { judged.push_back(f.path); });
  ts.SetOnFileFound([&](TTreeScanner& s) {
    found.push_back(s.FileFound());
    session.Add(s, 0);
    if (found.size() == 70) s.Running = false;  // Stop, with files still waiting for their probe
  });
  ts.SetOnDirectoryFound([&](TTreeScanner& s) { session.AtFolder(s); });
  ts.SetOnSearchDone([&](TTreeScanner&) { session.TakeAll(); });
  ScanSession<Probed>::Running running(session);
  ts.Scan();
  // The stop is seen at the next folder: the rest of that folder is still reported.
  EXPECT_EQ(100u, found.size());
  EXPECT_EQ(found, judged);
}

TEST_F(ScanSessionTree, AReplayFeedsTheSessionTheRecordedFiles) {
  TTreeScanner ts;
  ts.SetInitialDirectory(dir_.path());
  ts.SetFileMask("none.none");
  WalkRecord record;
  ts.SetRecording(&record, [](std::uint64_t size, unsigned long) { return size < 3; });
  ts.Scan();
  ts.SetRecording(nullptr, nullptr);
  ASSERT_TRUE(ts.CanReplay(record));

  std::vector<std::uint64_t> sizes;
  ScanSession<Probed> session([](const FoundFile& f) { return Probed{0, f.listing.size}; },
                              [&](FoundFile&, Probed& p) { sizes.push_back(p.size); });
  ts.SetFileMask("*.*");
  ts.SetOnFileFound([&](TTreeScanner& s) { session.Add(s, 1); });
  ts.SetOnDirectoryFound([&](TTreeScanner& s) { session.AtFolder(s); });
  ts.SetOnSearchDone([&](TTreeScanner&) { session.TakeAll(); });
  ScanSession<Probed>::Running running(session);
  ts.Replay(record);
  EXPECT_EQ((std::vector<std::uint64_t>{0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2}), sizes);
}

TEST(ScanSession, OutsideASessionAFileIsProbedAndJudgedAtOnce) {
  test::TestFolder dir;
  dir.File("one.dat", "12345");
  TTreeScanner ts;
  ts.SetInitialDirectory(dir.path());
  ts.SetFileMask("*.dat");
  DWORD probedOn = 0;
  int judged = 0;
  ScanSession<Probed> session([](const FoundFile& f) { return Probed{GetCurrentThreadId(), f.listing.size}; },
                              [&](FoundFile&, Probed& p) {
                                probedOn = p.thread;
                                EXPECT_EQ(5u, p.size);
                                ++judged;
                              });
  ts.SetOnFileFound([&](TTreeScanner& s) {
    session.Add(s, 0);
    EXPECT_EQ(1, judged);
  });
  ts.Scan();
  EXPECT_EQ(GetCurrentThreadId(), probedOn);
}

}  // namespace
