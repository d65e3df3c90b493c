#include "io/case_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "io/io_test_support.h"

namespace ltr {
namespace {

using testing::TempDir;

// A case with a value of its own in every section, as the window saves one.
TCaseFile FullCase() {
  TCaseFile f;
  f.Case.Area.H = 0.05;
  f.Case.Area.Speed = 1.0 / 3.0;  // a value that needs all 17 digits
  f.Case.Enabled = {true, false, true, false};
  f.Case.Dust.InputConcentration = 2e-6;
  f.Case.Dust.Gravity = 9.80665;
  f.Case.Dust.Fractions = {{1e-6, 2e-6, 0.25}, {2e-6, 5e-6, 0.5}, {5e-6, 1e-5, 0.25}};
  f.Settings.Particles = 20;
  f.Settings.Moments = 7;
  f.Settings.MoveVortices = true;
  f.Settings.MaxResidence = 0;
  f.Settings.ParticleStep = TParticleStepMode::FixedStep(2.5e-4);
  f.Settings.FastConcentration = true;
  f.Settings.MaxFree = 800;
  f.Settings.MaxTime = 2.5;
  f.Settings.Dt = 0.004;
  f.Settings.FastVortexRun = false;
  f.Settings.ExhaustRemoval = true;
  f.Settings.FlowLineX = 0.2;
  f.Settings.FlowLineY = 0.01;
  f.Settings.FlowLineStep = 0.002;
  f.Settings.FlowLineMaxLen = 3;
  f.VortexFile = "flow/run.evt";
  return f;
}

// What the writer writes the reader reads back as it was, bit for bit, and a
// derived inflow speed stays derived: a study of the exhaust speed from a
// saved case keeps the air flowing in as it flows out.
TEST(CaseFileTest, WhatIsWrittenReadsBackTheSame) {
  for (TCaseFile written : {FullCase(), TCaseFile{}}) {
    TCaseFile read;
    ASSERT_TRUE(ParseCaseText(CaseFileText(written), "case.json", read));
    written.Case.Dust.ParticleDt = read.Case.Dust.ParticleDt;  // computed by each run, never written
    EXPECT_EQ(read, written);
    EXPECT_FALSE(read.InflowSpeedGiven);
  }
  TCaseFile given = FullCase();
  given.Case.Area.InflowSpeed = 1.25;
  given.InflowSpeedGiven = true;
  TCaseFile read;
  ASSERT_TRUE(ParseCaseText(CaseFileText(given), "case.json", read));
  EXPECT_TRUE(read.InflowSpeedGiven);
  EXPECT_EQ(read.Case.Area.InflowSpeed, 1.25);
  TCaseFile derived = FullCase();
  EXPECT_EQ(CompleteCase(derived), "");
  EXPECT_EQ(derived.Case.Area.InflowSpeed, DerivedInflowSpeed(derived.Case.Area));
}

// A refused file changes nothing of what it was read over, and the message
// names what is wrong.
TEST(CaseFileTest, ARefusalNamesTheFaultAndChangesNothing) {
  const TCaseFile before = FullCase();
  const std::pair<const char*, const char*> bad[] = {
      {R"({"area": {"H": 0.1}, "concentration": {"particles": 2.5}})", "concentration.particles"},
      {R"({"concentration": {"particle_step": "often"}})", "concentration.particle_step"},
      {R"({"vortex_run": {"fast": 1}})", "vortex_run.fast"},
      {R"({"flow_line": {"z": 1}})", "flow_line.z"},
      {R"({"vortex_file": ""})", "vortex_file"},
      {R"({"enclosure": {}})", "enclosure"},
      {R"([1, 2])", "объект JSON"},
      {"{\"area\": ", "корректным JSON"},
  };
  for (const auto& [text, named] : bad) {
    TCaseFile f = before;
    const TOutcome outcome = ParseCaseText(text, "x.json", f);
    EXPECT_EQ(outcome.Kind(), TOutcome::TKind::Refused) << text;
    EXPECT_NE(outcome.Message().find(named), std::string::npos) << outcome.Message();
    EXPECT_EQ(f, before) << text;
  }
}

TEST(CaseFileTest, TheVortexFileIsNamedBesideTheCase) {
  TempDir dir;
  const std::string caseFile = dir.File("case.json");
  EXPECT_EQ(VortexFileReference(caseFile, dir.File("run.evt")), "run.evt");
  EXPECT_EQ(VortexFileReference(caseFile, dir.File("flows/run.evt")), "flows/run.evt");
  EXPECT_EQ(VortexFileReference(caseFile, "/elsewhere/run.evt"), "/elsewhere/run.evt");
  EXPECT_EQ(VortexFileBeside(caseFile, "flows/run.evt"), dir.File("flows/run.evt"));
  EXPECT_EQ(VortexFileBeside(caseFile, "/elsewhere/run.evt"), "/elsewhere/run.evt");

  // Written atomically, and read from disk as the text says.
  ASSERT_TRUE(WriteCaseFile(caseFile, FullCase()));
  TCaseFile read;
  ASSERT_TRUE(ReadCaseFile(caseFile, read));
  EXPECT_EQ(read.Settings, FullCase().Settings);
  EXPECT_FALSE(WriteCaseFile(dir.File("none/case.json"), FullCase()));
}

}  // namespace
}  // namespace ltr
