#include "dust/study.h"

#include <gtest/gtest.h>

#include "dust/coarse_case.h"
#include "model/fields.h"

namespace ltr {
namespace {

TStudy CoarseStudy(const char* field, std::vector<double> values) {
  TStudy study;
  study.Case = testing::Coarse().Case();
  study.Field = field;
  study.Values = std::move(values);
  study.Particles = 3;
  study.Moments = 3;
  study.Run = testing::Seeded(5);
  return study;
}

class TStopAfter : public TStudyObserver {
 public:
  explicit TStopAfter(int rows) : Rows_(rows) {}
  void StudyValue(int k, int count, double) override {
    Begun.push_back(k);
    Count = count;
  }
  void StudyRow(const TStudyRow&) override { ++Made; }
  bool StudyStopRequested() override { return Made >= Rows_; }
  std::vector<int> Begun;
  int Count = 0;
  int Made = 0;

 private:
  int Rows_;
};

// Each row is the single run of its value's case with the study's seed, and
// a stop between the runs keeps the rows made.
TEST(StudyTest, RowsAreSingleRunsAndAStopKeepsThem) {
  const TStudy study = CoarseStudy("Speed", {2.0, 2.5, 4.0});
  TStopAfter ui(2);
  std::vector<TStudyRow> rows;
  EXPECT_EQ(RunStudy(study, ui, rows).Kind(), TOutcome::TKind::Stopped);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(ui.Begun, (std::vector<int>{0, 1}));
  EXPECT_EQ(ui.Count, 3);

  TModelState s = testing::Coarse();
  s.Area.Speed = 2.5;
  s.Area.InflowSpeed = DerivedInflowSpeed(s.Area);  // derived for each value
  BuildArea(s.Area, s.Flow());
  ASSERT_TRUE(SolveCurrentFlow(s.Case(), s.Flow(), s.Compute));
  ASSERT_TRUE(RunConcentration(s.Case(), s.Flow(), s.DustRun(), s.Results(), s.Control(), testing::Quiet(), 3, 3,
                               false, testing::Seeded(5)));
  const TStudyRow& row = rows[1];
  EXPECT_EQ(row.Index, 1);
  EXPECT_EQ(row.Value, 2.5);
  EXPECT_EQ(row.Seed, 5u);
  EXPECT_TRUE(row.Completed);
  EXPECT_EQ(row.OutputConcentration, s.OutputConcentration);
  EXPECT_EQ(row.RealInputConcentration, s.RealInputConcentration);
  EXPECT_EQ(row.HeldMassShare, s.HeldMassShare);
  ASSERT_EQ(row.OutletShares.size(), s.OutputFractions.size());
  for (size_t j = 0; j < row.OutletShares.size(); ++j) EXPECT_EQ(row.OutletShares[j], s.OutputFractions[j].Share);
}

// A study is refused before any run when one of its values cannot run, and
// an enclosure value cannot be studied in a file's flow, whose own enclosure
// would replace it in every row.
TEST(StudyTest, StudiesThatCannotRunAreRefusedBeforeAnyRun) {
  TStudy wide = CoarseStudy("InflowWidth", {0.3, 0.96});  // the inflow would reach the right wall
  TStudy fromFile = CoarseStudy("RoomWidth", {1.0, 1.2});
  fromFile.Flow.File = "/nonexistent/run.evt";
  TStudy unknown = CoarseStudy("Width", {1.0});
  for (const TStudy& study : {wide, fromFile, unknown}) {
    TStopAfter ui(100);
    std::vector<TStudyRow> rows;
    const TOutcome outcome = RunStudy(study, ui, rows);
    EXPECT_EQ(outcome.Kind(), TOutcome::TKind::Refused) << study.Field;
    EXPECT_NE(outcome.Message().find(study.Field), std::string::npos) << outcome.Message();
    EXPECT_TRUE(ui.Begun.empty());
    EXPECT_TRUE(rows.empty());
  }
}

}  // namespace
}  // namespace ltr
