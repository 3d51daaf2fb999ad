#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/Ports.h"
#include "core/Snapshot.h"

namespace {

struct Record {
  int count = 1;
  std::string name = "before";
  std::vector<double> row{1, 2, 3};
  double untouched = 7;
};

using RecordSnapshot = korv::Snapshot<&Record::count, &Record::name, &Record::row>;

void change(Record& r, bool fail) {
  const RecordSnapshot before(r);
  r.count = 2;
  r.name = "after";
  r.row.assign(1000, 4);
  r.untouched = 8;
  if (fail) throw std::runtime_error("fault");
}

TEST(Snapshot, RestoresEveryListedMemberWhenLeftByAnException) {
  Record r;
  EXPECT_THROW(change(r, true), std::runtime_error);
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(r.name, "before");
  EXPECT_EQ(r.row, (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(r.untouched, 8);  // not in the list
}

TEST(Snapshot, KeepsTheChangesWhenLeftNormally) {
  Record r;
  change(r, false);
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(r.name, "after");
  EXPECT_EQ(r.row.size(), 1000u);
}

TEST(Snapshot, TakenWhileUnwindingRestoresOnlyForItsOwnException) {
  Record r;
  struct Cleanup {
    Record& r;
    ~Cleanup() { change(r, false); }  // runs during the unwinding of another exception
  };
  try {
    const Cleanup cleanup{r};
    throw std::runtime_error("outer");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(r.count, 2);
}

struct CountingProgress : korv::Progress {
  void Show(korv::ProgressBar, int) override {}
  void Step(korv::ProgressBar, int) override {}
  void Close(korv::ProgressBar bar) override { closed.push_back(bar); }
  std::vector<korv::ProgressBar> closed;
};

TEST(ProgressCloser, ClosesItsBarsOnceOnEveryWayOut) {
  using korv::ProgressBar;
  CountingProgress p;
  { const korv::ProgressCloser closer(p, {ProgressBar::Main, ProgressBar::Detailed}); }
  EXPECT_EQ(p.closed, (std::vector<ProgressBar>{ProgressBar::Main, ProgressBar::Detailed}));
  p.closed.clear();
  {
    korv::ProgressCloser closer(p, {ProgressBar::Main});
    closer.Close();
    EXPECT_EQ(p.closed.size(), 1u);
  }
  EXPECT_EQ(p.closed.size(), 1u);
  p.closed.clear();
  try {
    const korv::ProgressCloser closer(p, {ProgressBar::Detailed});
    throw std::runtime_error("fault");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(p.closed, (std::vector<ProgressBar>{ProgressBar::Detailed}));
}

}  // namespace
