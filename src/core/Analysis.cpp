#include "core/Analysis.h"

Analysis C;

namespace {
korv::NullProgress nullProgress;
korv::NullMessages nullMessages;

void clearRows(Analysis::RowTable& rows, std::size_t count) {
  rows.resize(count);
  for (auto& row : rows) Analysis::ClearArray(row);
}

// Per-slot results that the clear of one analysis sets to zero.
void clearSlot(Analysis& a, int k) {
  a.Density[k] = 0;
  a.PeakDensity[k] = 0;
  a.EnergyLevel[k] = 0;
  a.PeakEnergyLevel[k] = 0;
  a.TemporaryCompensatingDensity[k] = 0;
  a.Eref[k] = 0;
  a.CheckTemperature[k] = 0;
  a.PeakIndex[k] = 0;
  a.CheckIndex[k] = 0;
  a.LevelRangeMessage[k].clear();
  a.AdoptedLevelRangeMessage[k].clear();
}

void clearSlotRows(Analysis& a, int k) {
  for (auto* table : {&a.HValues, &a.SimulatedH, &a.ModelH, &a.ExperimentalH}) {
    if (table->size() < 4) table->resize(4);
    Analysis::ClearArray((*table)[k]);
  }
}
}  // namespace

Analysis::Analysis() {
  HValues.resize(4);
  SimulatedH.resize(4);
  ModelH.resize(4);
  ExperimentalH.resize(4);
  CandidateSimulatedH.resize(5);
  ResetAll();
}

void Analysis::ResetAll() {
  AutoEvaluationType = "Type-B";
  FunctionType = 2;

  OriginalFile.clear();
  ExperimentalDataFile.clear();
  AnalysisDataFile.clear();
  FermiLevelFile.clear();
  for (auto& f : AnalysisFile) f.clear();
  SimulationFile.clear();

  MeasurementName.clear();
  MeasurementDate.clear();
  AnalysisName.clear();
  AnalysisDate.clear();
  SampleNumber.clear();
  Semiconductor.clear();
  ConductionType.clear();
  Remark.clear();
  Thickness = 0;
  MagneticField = 0;
  Current = 0;
  DataCount = 0;

  Concentration.clear();
  Temperature.clear();
  Reliability.clear();
  ClearArray(SplineTemperature);

  clearRows(HValues, 4);
  clearRows(SimulatedH, 4);
  clearRows(ModelH, 4);
  clearRows(ExperimentalH, 4);
  DegeneracyFactor = {1.0, 1.0, 1.0, 1.0};
  CompensatingDensity = 0;
  LowestKT = 0.001;
  RecalculationRequested = false;
  RecalculationFailed = false;
  SimUseLevel = {};
  SimUseCompensation = false;

  ClearSplineStage();
  ClearDensityOfStatesStage();
  ClearAnalysisStages();
  ClearFirstAnalysis();
  ClearSecondAnalysis();
  ClearThirdAnalysis();
  for (int k = 0; k < 4; ++k) clearSlot(*this, k);
  clearSlotRows(*this, 3);
  ClearSimulation();
}

void Analysis::ClearSplineStage() {
  FirstIndex = 0;
  LastIndex = 0;
  GridCount = 0;
  Smoothness = 5000;
  ClearArray(SplineConcentration);
}

void Analysis::ClearDensityOfStatesStage() {
  ConductionBandCoefficient = 4.8e15;
  ValenceBandCoefficient = 4.8e15;
  ElectronMass = 1.0;
  HoleMass = 1.0;
  ElectronMinima = 1.0;
  HoleMinima = 1.0;
  DosCoefficient = 4.8e15;
  EffectiveMass = 1.0;
  EquivalentMinima = 1.0;
  ClearArray(FermiLevel);
  ClearArray(ExperimentalFermiLevel);
}

void Analysis::ClearAnalysisStages() {
  EvaluationFinished = false;
  LevelInRange = false;
  SecondAttempt = false;
  ScaledCompensation = false;
  CompensationAnalysis = -1;
  KeepSearchStart = true;
  HValues.resize(4);
  SimulatedH.resize(4);
  ModelH.resize(4);
  ExperimentalH.resize(4);
  CompensatingDensity = 0;
  SearchLowIndex = 0;
  SearchHighIndex = 0;
  clearRows(CandidateSimulatedH, 5);
  CandidateDeviation = {};
  ExpErefOverKT = 0;
  NcOverN = 0;
  KT = 0;
  NcFactor = 0;
  Nc = 0;
}

void Analysis::ClearFirstAnalysis() {
  ScaledCompensation = false;
  SecondAttempt = false;
  AnalysisFile[0].clear();
  ExperimentalAnalysisFile[0].clear();
  clearSlotRows(*this, 0);
  ExperimentalH[0].clear();
  clearSlot(*this, 0);
}

void Analysis::ClearSecondAnalysis() {
  AnalysisFile[1].clear();
  clearSlotRows(*this, 1);
  clearSlot(*this, 1);
}

void Analysis::ClearThirdAnalysis() {
  AnalysisFile[2].clear();
  clearSlotRows(*this, 2);
  clearSlot(*this, 2);
}

void Analysis::ClearSimulation() { ClearArray(SimulatedConcentration); }

void Analysis::AttachPorts(korv::Progress* progress, korv::Messages* messages) {
  progress_ = progress;
  messages_ = messages;
}

korv::Progress& Analysis::progress() const { return progress_ ? *progress_ : nullProgress; }

korv::Messages& Analysis::messages() const { return messages_ ? *messages_ : nullMessages; }
