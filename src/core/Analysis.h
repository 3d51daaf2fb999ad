// The analysis record: every piece of state of one Hall-effect analysis, from the
// measured points through the spline, the density of states, the successive H
// analyses and the simulation. One global instance, C, serves the programs; the
// rest of the code takes an Analysis& so that tests can build their own records.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/Physics.h"
#include "core/Ports.h"

class Analysis {
 public:
  using Array = std::vector<double>;
  using RowTable = std::vector<Array>;
  template <class T>
  using Slots = std::array<T, 4>;

  Analysis();
  Analysis(const Analysis&) = delete;
  Analysis& operator=(const Analysis&) = delete;

  // ---- Identification and modes --------------------------------------------
  std::string AutoEvaluationType = "Type-B";
  int FunctionType = 2;  // 1 = S function, 2 = H function
  std::string VersionInformation;
  std::string ProgramCaption;
  bool DeveloperOptionsHidden = false;
  bool ManualMode = false;

  // ---- File names ---------------------------------------------------------
  std::string OriginalFile;
  std::string ExperimentalDataFile;
  std::string AnalysisDataFile;
  std::string FermiLevelFile;
  std::array<std::string, 3> AnalysisFile;
  std::string SimulationFile;
  std::string ExperimentalFermiLevelFile;
  std::array<std::string, 3> ExperimentalAnalysisFile;

  // ---- Measurement header -------------------------------------------------
  std::string MeasurementName;
  std::string MeasurementDate;
  std::string AnalysisName;
  std::string AnalysisDate;
  std::string SampleNumber;
  std::string Semiconductor;
  std::string ConductionType;
  std::string Remark;
  std::string DensityOfStatesRemark;
  double Thickness = 0;
  double MagneticField = 0;
  double Current = 0;
  int DataCount = 0;

  // ---- Spline stage ---------------------------------------------------------
  int FirstIndex = 0;
  int LastIndex = 0;
  std::vector<double> Concentration;
  std::vector<double> Temperature;
  std::vector<double> Reliability;
  Array SplineConcentration;
  Array SplineTemperature;
  double Smoothness = 5000;
  int GridCount = 0;

  // ---- Density of states and Fermi level ---------------------------------------
  double ConductionBandCoefficient = 4.8e15;
  double ValenceBandCoefficient = 4.8e15;
  double ElectronMass = 1.0;
  double HoleMass = 1.0;
  double ElectronMinima = 1.0;
  double HoleMinima = 1.0;
  double DosCoefficient = 4.8e15;
  double EffectiveMass = 1.0;
  double EquivalentMinima = 1.0;
  double DielectricConstant = 0;
  Array FermiLevel;
  Array ExperimentalFermiLevel;

  // ---- Per-point rows of the H analyses (4 rows each) -------------------------
  RowTable HValues;
  RowTable SimulatedH;
  RowTable ModelH;
  RowTable ExperimentalH;

  // ---- Per-analysis results -------------------------------------------------
  Slots<double> Density{};
  Slots<double> PeakDensity{};
  Slots<double> EnergyLevel{};
  Slots<double> PeakEnergyLevel{};
  Slots<double> TemporaryCompensatingDensity{};
  double CompensatingDensity = 0;
  Slots<double> DegeneracyFactor{1.0, 1.0, 1.0, 1.0};
  Slots<double> Eref{};
  Slots<double> CheckTemperature{};
  std::array<double, 5> CandidateDeviation{};
  double LowestKT = 0.001;
  Slots<int> PeakIndex{};
  Slots<int> CheckIndex{};
  int SearchLowIndex = 0;
  int SearchHighIndex = 0;
  int SearchStartIndex = 0;
  int CompensationAnalysis = -1;
  bool LevelInRange = false;
  bool EvaluationFinished = false;
  bool RecalculationRequested = false;
  bool RecalculationFailed = false;
  bool SecondAttempt = false;
  bool KeepSearchStart = true;
  Slots<std::string> LevelRangeMessage;
  Slots<std::string> AdoptedLevelRangeMessage;
  RowTable CandidateSimulatedH;
  bool ScaledCompensation = false;

  // ---- Working values shared by the H calculation and the evaluation ----------
  double ExpErefOverKT = 0;
  double NcOverN = 0;
  double KT = 0;
  double NcFactor = 0;
  double Nc = 0;
  Array EvaluationSaveRow;
  Array EvaluationRetryRow;
  std::array<double, 12> EvaluationScratch{};
  std::array<bool, 5> CandidateFlags{};

  // ---- Simulation -----------------------------------------------------------
  Array SimulatedConcentration;
  Array SimulatedFermiLevel;
  Slots<double> SimDensity{};
  Slots<double> SimEnergyLevel{};
  double SimCompensatingDensity = 0;
  Slots<bool> SimUseLevel{};
  bool SimUseCompensation = false;

  // ---- Stage resets -----------------------------------------------------------
  void ResetAll();
  void ClearSplineStage();
  void ClearDensityOfStatesStage();
  void ClearAnalysisStages();
  void ClearFirstAnalysis();
  void ClearSecondAnalysis();
  void ClearThirdAnalysis();
  void ClearSimulation();

  // ---- Carried compensating density --------------------------------------------
  // Once analysis `from` (0-based) has fixed the compensating density, the later
  // analyses add it back instead of fitting their own. FixCompensationAt marks the
  // analysis only (the density follows when the main window recalculates);
  // CarryCompensation also takes over its temporary compensating density;
  // DropCarriedCompensation returns to fitting it.
  void FixCompensationAt(int from) {
    EvaluationFinished = true;
    CompensationAnalysis = from;
  }
  void CarryCompensation(int from) {
    FixCompensationAt(from);
    CompensatingDensity = TemporaryCompensatingDensity[from];
  }
  void DropCarriedCompensation() {
    EvaluationFinished = false;
    CompensationAnalysis = -1;
    CompensatingDensity = 0;
  }

  // Clearing an array keeps one element: its first value survives (zero when it was empty).
  static void ClearArray(Array& a) { a.resize(1); }

  // ---- How the operations fail ----------------------------------------------------
  // A fault (no spline, a value out of range, a file that cannot be read or written)
  // throws korv::Error with the message for the user; the record is then as it was
  // before the call: the operations build their results aside and store them at the
  // end, and CalculateH and Evaluate restore what they changed (korv::Snapshot).
  // A false return is an outcome of the method, not a fault: the record keeps what the
  // operation reached (it is not restored) and any message has gone to messages().
  //   true or throw: the measurement and result files (Save/Load), CalculateSpline,
  //     CalculateEffectiveDensityOfStates, CalculateFermiLevel,
  //     CalculateExperimentalFermiLevel, StepToHigherPeak, StepToLowerPeak, Simulate.
  //   false as an outcome: CalculateHAtEref and CalculateExperimentalH (a function type
  //     other than 1 or 2); CalculateH (E_ref leaves +-1 eV or no peak is chosen: the
  //     search window, E_ref, the row and the recalculation flags stay as the search
  //     left them); Evaluate (no candidate, or the level out of range: the fits so far
  //     stay); CheckSimulatedH (too few points where H exceeds the simulated H).
  //   The level fit's operations are steps of Evaluate, which restores on a throw.

  // ---- Measurement file (src/core/MeasurementFile.cpp) ------------------------
  bool SaveMeasurementFile();
  bool LoadMeasurementFile();
  // The same from the file's text in memory (a session holds it).
  bool LoadMeasurementText(const std::string& text);

  // ---- Spline (src/numerics/Spline.cpp) ---------------------------------------
  bool CalculateSpline();

  // ---- Density of states and Fermi level (src/numerics/FermiLevel.cpp) --------
  bool CalculateEffectiveDensityOfStates();
  bool CalculateFermiLevel();
  bool CalculateExperimentalFermiLevel();

  // ---- H and S functions, peak search (src/numerics/HFunction.cpp, PeakSearch.cpp)
  bool CalculateH(int k);
  bool CalculateHAtEref(int k);
  bool CalculateExperimentalH(int k);
  bool StepToHigherPeak(int k);
  bool StepToLowerPeak(int k);

  // ---- Evaluation (src/numerics/Evaluation.cpp) ---------------------------------
  bool Evaluate(int k);
  bool CheckSimulatedH(int k);

  // ---- Level fit (src/numerics/LevelFit.cpp) --------------------------------------
  enum class FillMode { Model, Simulated };
  double OneLevelModel(int k, double E, double D, double n, double T);
  double CompensatedModel(int k, double x, double E, double D, double n, double T);
  double OneLevelConcentration(int j, double Q, double E, double D);
  double ModelPeakTemperature(int k, int a, int b, double x, double E);
  double LevelForRatio(int k, int a, int b, double x);
  bool FitLevel(int k, int c);
  bool RefitWithScaledRatio(int k, int c, double m);
  bool EvaluateAtCheckPoint(int k, int c);
  bool FillModelRows(int k, FillMode mode);
  bool FillCandidateSimulatedH(int k, int r);
  bool CheckLevelRange(int k);
  int PeakTailBelow(int k);
  int PeakTailAbove(int k);
  int IndexAtTemperature(double x) const;
  int LowerTailIndex(int k) const;

  // ---- Simulation (src/numerics/Simulation.cpp) -------------------------------------
  bool Simulate();

  // ---- Result files (src/files/) ----------------------------------------------------
  bool SaveSplineFile();
  bool LoadSplineFile();
  bool SaveFermiLevelFile();
  bool LoadFermiLevelFile();
  bool SaveExperimentalFermiLevelFile();
  bool SaveAnalysisFile(int k);
  bool SaveExperimentalAnalysisFile(int k);
  bool SaveSimulationFile();

  // ---- Ports: where the engine reports progress and shows its messages ---------------
  // The presenter attaches its own; unattached, both go nowhere.
  void AttachPorts(korv::Progress* progress, korv::Messages* messages);
  korv::Progress& progress() const;
  korv::Messages& messages() const;

 private:
  korv::Progress* progress_ = nullptr;
  korv::Messages* messages_ = nullptr;
};

// The record of the programs. Only src/app uses it.
extern Analysis C;
