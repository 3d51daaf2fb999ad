// Shared helpers of the pipeline tests: load a measurement from tests/data, take the
// range of points the main window would take, and run spline -> density of states ->
// Fermi level; ports that record what the engine reports.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/Analysis.h"
#include "core/Numbers.h"
#include "support/Files.h"

namespace korv::test {

// Progress port that keeps every call, so tests can check step counts.
class RecordingProgress final : public korv::Progress {
 public:
  struct Bar {
    int maximum = 0;
    int position = 0;  // sum of all steps, not clipped at the maximum
    int shows = 0;
    int closes = 0;
    bool open = false;
  };
  void Show(korv::ProgressBar bar, int maximum) override {
    Bar& b = bars_[index(bar)];
    b.maximum = maximum;
    b.position = 0;
    ++b.shows;
    b.open = true;
  }
  void Step(korv::ProgressBar bar, int steps) override { bars_[index(bar)].position += steps; }
  void Close(korv::ProgressBar bar) override {
    Bar& b = bars_[index(bar)];
    ++b.closes;
    b.open = false;
  }
  const Bar& main() const { return bars_[0]; }
  const Bar& detailed() const { return bars_[1]; }

 private:
  static int index(korv::ProgressBar bar) { return bar == korv::ProgressBar::Main ? 0 : 1; }
  Bar bars_[2];
};

// Messages port that keeps the texts shown.
class RecordingMessages final : public korv::Messages {
 public:
  void Error(const std::string& text) override { errors.push_back(text); }
  void Notice(const std::string& text) override { notices.push_back(text); }
  std::vector<std::string> errors;
  std::vector<std::string> notices;
};

// Loads a measurement file (path relative to tests/data) into a fresh record state.
inline void LoadMeasurement(Analysis& a, const std::string& relativePath) {
  a.ResetAll();
  a.ExperimentalDataFile = DataPath(relativePath);
  a.LoadMeasurementFile();
}

// The range of points the spline command uses: first and last point of positive reliability.
inline void SelectReliableRange(Analysis& a) {
  const int n = static_cast<int>(a.Reliability.size());
  for (int i = 0; i < n; ++i)
    if (a.Reliability[i] > 0) {
      a.FirstIndex = i;
      break;
    }
  for (int i = n - 1; i > 0; --i)
    if (a.Reliability[i] > 0) {
      a.LastIndex = i;
      break;
    }
}

// Spline at `smoothness`, then the Fermi level with the given N_C/T^1.5 coefficient,
// with the stage resets the main window runs in between.
inline void RunSplineAndFermiLevel(Analysis& a, double dosCoefficient, double smoothness = 5000) {
  SelectReliableRange(a);
  a.Smoothness = smoothness;
  a.CalculateSpline();
  a.ClearDensityOfStatesStage();
  a.ClearAnalysisStages();
  a.ClearFirstAnalysis();
  a.ClearSecondAnalysis();
  a.ClearThirdAnalysis();
  a.ClearSimulation();
  a.DosCoefficient = dosCoefficient;
  a.CalculateFermiLevel();
  a.ClearAnalysisStages();
  a.ClearFirstAnalysis();
  a.ClearSecondAnalysis();
  a.ClearThirdAnalysis();
  a.ClearSimulation();
}

// A record with recording ports, prepared from one dataset of tests/data/datasets.
// `name` is the file name without folder, e.g. "clean/01_si_n_P_lightcomp.nT"; the
// density-of-states coefficient comes from the JSON beside it.
class PipelineFixture : public ::testing::Test {
 protected:
  void SetUp() override { a.AttachPorts(&progress, &messages); }

  void Prepare(const std::string& name, double smoothness = 5000) {
    const std::string path = "datasets/" + name;
    LoadMeasurement(a, path);
    const std::string json = path.substr(0, path.rfind('.')) + ".json";
    RunSplineAndFermiLevel(a, JsonNumber(json, "dos_coefficient"), smoothness);
  }

  Analysis a;
  RecordingProgress progress;
  RecordingMessages messages;
};

}  // namespace korv::test
