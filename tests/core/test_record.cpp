#include <gtest/gtest.h>

#include "core/Analysis.h"

namespace {

// A record with every stage holding something, so that each reset shows what it clears.
void fillEverything(Analysis& a) {
  a.VersionInformation = "Version 1.51 (2004/6/2)";
  a.ProgramCaption = "KORV Ver. 1.51";
  a.DeveloperOptionsHidden = true;
  a.ManualMode = true;
  a.DensityOfStatesRemark = "dos remark";
  a.DielectricConstant = 11.9;
  a.ExperimentalFermiLevelFile = "x.flE";
  a.ExperimentalAnalysisFile = {"x.H1E", "x.H2E", "x.H3E"};
  a.SimDensity = {1, 2, 3, 4};
  a.SimEnergyLevel = {0.1, 0.2, 0.3, 0.4};
  a.SimCompensatingDensity = 5;
  a.SearchStartIndex = 17;
  a.AutoEvaluationType = "Type-D";
  a.FunctionType = 1;
  a.OriginalFile = "o.txt";
  a.ExperimentalDataFile = "x.nT";
  a.AnalysisDataFile = "x.spl";
  a.FermiLevelFile = "x.fl";
  a.AnalysisFile = {"x.H1", "x.H2", "x.H3"};
  a.SimulationFile = "x.simH";
  a.MeasurementName = "m";
  a.Semiconductor = "Si";
  a.ConductionType = "n-type";
  a.Thickness = 380;
  a.DataCount = 2;
  a.Temperature = {10, 20};
  a.Concentration = {1e15, 2e15};
  a.Reliability = {1, 1};
  a.FirstIndex = 1;
  a.LastIndex = 1;
  a.Smoothness = 10;
  a.GridCount = 3;
  a.SplineTemperature = {10, 10.1, 10.2};
  a.SplineConcentration = {7, 8, 9};
  a.ElectronMass = 0.3;
  a.DosCoefficient = 1e15;
  a.EffectiveMass = 0.3;
  a.FermiLevel = {0.5, 0.6, 0.7};
  a.ExperimentalFermiLevel = {0.4, 0.3};
  for (int k = 0; k < 4; ++k) {
    a.HValues[k] = {3, 2, 1};
    a.SimulatedH[k] = {3, 2, 1};
    a.ModelH[k] = {3, 2, 1};
    a.ExperimentalH[k] = {6, 5};
    a.Density[k] = 1e16;
    a.EnergyLevel[k] = 0.05;
    a.Eref[k] = 0.01;
    a.PeakIndex[k] = 2;
    a.DegeneracyFactor[k] = 2;
    a.LevelRangeMessage[k] = "msg";
  }
  a.CompensatingDensity = 1e14;
  a.CompensationAnalysis = 1;
  a.EvaluationFinished = true;
  a.KeepSearchStart = false;
  a.RecalculationRequested = true;
  a.SecondAttempt = true;
  a.LowestKT = 0.5;
  a.CandidateSimulatedH.assign(5, {1, 2, 3});
  a.CandidateDeviation = {1, 2, 3, 4, 5};
  a.NcFactor = 3;
  a.SimulatedConcentration = {4, 5, 6};
  a.SimUseLevel = {true, true, false, false};
  a.SimUseCompensation = true;
}

}  // namespace

TEST(AnalysisRecord, ResetAllLeavesTheUntouchableFieldsAlone) {
  Analysis a;
  fillEverything(a);
  a.ResetAll();
  EXPECT_EQ(a.VersionInformation, "Version 1.51 (2004/6/2)");
  EXPECT_EQ(a.ProgramCaption, "KORV Ver. 1.51");
  EXPECT_TRUE(a.DeveloperOptionsHidden);
  EXPECT_TRUE(a.ManualMode);
  EXPECT_EQ(a.DensityOfStatesRemark, "dos remark");
  EXPECT_EQ(a.DielectricConstant, 11.9);
  EXPECT_EQ(a.ExperimentalFermiLevelFile, "x.flE");
  EXPECT_EQ(a.ExperimentalAnalysisFile[1], "x.H2E");
  EXPECT_EQ(a.SimDensity[2], 3);
  EXPECT_EQ(a.SimCompensatingDensity, 5);
  EXPECT_EQ(a.SearchStartIndex, 17);
}

TEST(AnalysisRecord, ResetAllRestoresTheResetValues) {
  Analysis a;
  fillEverything(a);
  a.ResetAll();
  EXPECT_EQ(a.AutoEvaluationType, "Type-B");
  EXPECT_EQ(a.FunctionType, 2);
  EXPECT_EQ(a.ExperimentalDataFile, "");
  EXPECT_EQ(a.SimulationFile, "");
  EXPECT_EQ(a.AnalysisFile[2], "");
  EXPECT_EQ(a.Semiconductor, "");
  EXPECT_EQ(a.Thickness, 0);
  EXPECT_EQ(a.DataCount, 0);
  EXPECT_TRUE(a.Temperature.empty());
  EXPECT_TRUE(a.Concentration.empty());
  EXPECT_TRUE(a.Reliability.empty());
  EXPECT_EQ(a.Smoothness, 5000);
  EXPECT_EQ(a.GridCount, 0);
  EXPECT_EQ(a.DosCoefficient, 4.8e15);
  EXPECT_EQ(a.CompensationAnalysis, -1);
  EXPECT_TRUE(a.KeepSearchStart);
  EXPECT_FALSE(a.EvaluationFinished);
  EXPECT_FALSE(a.RecalculationRequested);
  EXPECT_EQ(a.LowestKT, 0.001);
  EXPECT_EQ(a.CompensatingDensity, 0);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(a.DegeneracyFactor[k], 1.0);
    EXPECT_EQ(a.Density[k], 0);
    EXPECT_EQ(a.Eref[k], 0);
    EXPECT_EQ(a.PeakIndex[k], 0);
    EXPECT_EQ(a.LevelRangeMessage[k], "");
    EXPECT_EQ(a.HValues[k].size(), 1u);
  }
  EXPECT_EQ(a.SplineTemperature.size(), 1u);
  EXPECT_EQ(a.SplineTemperature[0], 10);  // a cleared array keeps its first element
  EXPECT_EQ(a.SimulatedConcentration.size(), 1u);
  EXPECT_FALSE(a.SimUseLevel[0]);
  EXPECT_FALSE(a.SimUseCompensation);
  EXPECT_TRUE(a.ExperimentalH[0].empty());
  EXPECT_EQ(a.CandidateSimulatedH.size(), 5u);
  EXPECT_EQ(a.CandidateSimulatedH[4].size(), 1u);
}

TEST(AnalysisRecord, ClearSplineStageRestoresTheDefaultSmoothness) {
  Analysis a;
  fillEverything(a);
  a.ClearSplineStage();
  EXPECT_EQ(a.Smoothness, 5000);
  EXPECT_EQ(a.FirstIndex, 0);
  EXPECT_EQ(a.LastIndex, 0);
  EXPECT_EQ(a.GridCount, 0);
  ASSERT_EQ(a.SplineConcentration.size(), 1u);
  EXPECT_EQ(a.SplineConcentration[0], 7);
  EXPECT_EQ(a.SplineTemperature.size(), 3u);  // the grid temperatures stay
}

TEST(AnalysisRecord, ClearDensityOfStatesStage) {
  Analysis a;
  fillEverything(a);
  a.ClearDensityOfStatesStage();
  EXPECT_EQ(a.ElectronMass, 1.0);
  EXPECT_EQ(a.DosCoefficient, 4.8e15);
  EXPECT_EQ(a.EffectiveMass, 1.0);
  EXPECT_EQ(a.FermiLevel.size(), 1u);
  EXPECT_EQ(a.ExperimentalFermiLevel.size(), 1u);
  EXPECT_EQ(a.HValues[0].size(), 3u);  // later stages are the caller's to clear
}

TEST(AnalysisRecord, ClearAnalysisStagesKeepsTheRowsButResetsTheState) {
  Analysis a;
  fillEverything(a);
  a.ClearAnalysisStages();
  EXPECT_EQ(a.CompensationAnalysis, -1);
  EXPECT_TRUE(a.KeepSearchStart);
  EXPECT_FALSE(a.EvaluationFinished);
  EXPECT_FALSE(a.SecondAttempt);
  EXPECT_EQ(a.CompensatingDensity, 0);
  EXPECT_EQ(a.NcFactor, 0);
  EXPECT_EQ(a.CandidateDeviation[3], 0);
  EXPECT_EQ(a.CandidateSimulatedH.size(), 5u);
  EXPECT_EQ(a.CandidateSimulatedH[0].size(), 1u);
  EXPECT_EQ(a.HValues.size(), 4u);
  EXPECT_EQ(a.HValues[1].size(), 3u);     // re-sized to four rows, not cleared
  EXPECT_TRUE(a.RecalculationRequested);  // not part of this reset
}

TEST(AnalysisRecord, ClearFirstAnalysisEmptiesTheExperimentalRow) {
  Analysis a;
  fillEverything(a);
  a.ClearFirstAnalysis();
  EXPECT_TRUE(a.ExperimentalH[0].empty());
  ASSERT_EQ(a.HValues[0].size(), 1u);
  EXPECT_EQ(a.HValues[0][0], 3);
  EXPECT_EQ(a.SimulatedH[0].size(), 1u);
  EXPECT_EQ(a.ModelH[0].size(), 1u);
  EXPECT_EQ(a.Density[0], 0);
  EXPECT_EQ(a.Eref[0], 0);
  EXPECT_EQ(a.AnalysisFile[0], "");
  EXPECT_EQ(a.ExperimentalAnalysisFile[0], "");
  EXPECT_FALSE(a.SecondAttempt);
  EXPECT_EQ(a.Density[1], 1e16);  // other slots untouched
  EXPECT_EQ(a.HValues[1].size(), 3u);
  EXPECT_EQ(a.DegeneracyFactor[0], 2);  // the user's g survives
}

TEST(AnalysisRecord, ClearSecondAndThirdAnalysisTouchOnlyTheirSlot) {
  struct Case {
    void (Analysis::*clear)();
    int slot;
  };
  for (Case c : {Case{&Analysis::ClearSecondAnalysis, 1}, Case{&Analysis::ClearThirdAnalysis, 2}}) {
    Analysis a;
    fillEverything(a);
    (a.*c.clear)();
    for (int k = 0; k < 4; ++k) {
      bool cleared = k == c.slot;
      EXPECT_EQ(a.Density[k], cleared ? 0 : 1e16) << k;
      EXPECT_EQ(a.HValues[k].size(), cleared ? 1u : 3u) << k;
      EXPECT_EQ(a.ExperimentalH[k].size(), cleared ? 1u : 2u) << k;
      EXPECT_EQ(a.LevelRangeMessage[k], cleared ? "" : "msg") << k;
    }
    EXPECT_EQ(a.AnalysisFile[c.slot], "");
    EXPECT_EQ(a.ExperimentalAnalysisFile[c.slot], c.slot == 1 ? "x.H2E" : "x.H3E");
  }
}

TEST(AnalysisRecord, ConstructionMatchesTheResetValues) {
  Analysis a;
  EXPECT_EQ(a.AutoEvaluationType, "Type-B");
  EXPECT_EQ(a.FunctionType, 2);
  EXPECT_EQ(a.CompensationAnalysis, -1);
  EXPECT_TRUE(a.KeepSearchStart);
  EXPECT_EQ(a.HValues.size(), 4u);
  EXPECT_EQ(a.CandidateSimulatedH.size(), 5u);
  EXPECT_TRUE(a.ExperimentalH[0].empty());
  EXPECT_EQ(a.SplineTemperature.size(), 1u);
}
