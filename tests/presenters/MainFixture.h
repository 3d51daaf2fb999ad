// A main window in memory: the record, the in-memory view over the main window's
// control list, the recording windows and the presenter, created as the program does.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Analysis.h"
#include "presenters/common/MemoryView.h"
#include "presenters/common/Windows.h"
#include "presenters/main/MainCharts.h"
#include "presenters/main/MainControls.h"
#include "presenters/main/MainPresenter.h"
#include "support/Files.h"

namespace korv::ui::testing {

inline std::string DatasetPath(const std::string& name) { return std::string(KORV_TEST_DATA) + "/datasets/" + name; }

using korv::test::TempFolder;

class MainWindow : public ::testing::Test {
 public:
  explicit MainWindow(bool developerOptionsHidden = true) : hidden_(developerOptionsHidden) {}

  void SetUp() override {
    presenter.Attach(view, windows);
    presenter.FormCreate(hidden_);
  }

  // Copies a dataset into the test's folder (so every proposed name lies there) and
  // loads it with "Load Data (*.pT or *.nT)".
  void Load(const std::string& dataset) {
    const std::string target = folder / dataset;
    std::filesystem::copy_file(DatasetPath(dataset), target, std::filesystem::copy_options::overwrite_existing);
    view.openAnswers.push_back(target);
    presenter.ButtonLoadExperimentalClick();
    ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  }

  // Writes a measurement file into the test's folder and returns its path.
  std::string WriteMeasurement(const std::string& name, const std::string& type, const std::vector<double>& T,
                               const std::vector<double>& n, const std::vector<double>& r) {
    Analysis m;
    m.ExperimentalDataFile = folder / name;
    m.Semiconductor = "Si";
    m.ConductionType = type;
    m.SampleNumber = "S-1";
    m.DataCount = static_cast<int>(T.size());
    m.Temperature = T;
    m.Concentration = n;
    m.Reliability = r;
    m.SaveMeasurementFile();
    return m.ExperimentalDataFile;
  }

  void LoadFile(const std::string& path) {
    view.openAnswers.push_back(path);
    presenter.ButtonLoadExperimentalClick();
  }

  // Load, spline, save, Fermi level, save: the window in FermiReady.
  void ToFermiReady(const std::string& dataset) {
    view.AcceptProposedNames();
    Load(dataset);
    Click("ButtonCalcSpline");
    Click("ButtonSaveSpline");
    Click("ButtonCalcFermiLevel");
    Click("ButtonSaveFermiLevel");
    ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  }

  // H1 calculated, evaluated and saved.
  void ToH1Saved(const std::string& dataset) {
    ToFermiReady(dataset);
    Click("ButtonCalcH1");
    Click("ButtonEvaluation1");
    Click("ButtonSaveH1");
    ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  }

  // Every state of every control, to show that a command changed nothing.
  std::vector<std::string> Snapshot() const {
    std::vector<std::string> out;
    for (const auto& c : MainControls()) {
      std::string line = c.name + (view.IsEnabled(c.name) ? " on" : " off") +
                         (view.IsVisible(c.name) ? " shown" : " hidden") +
                         (view.IsChecked(c.name) ? " checked " : " ") + view.Text(c.name);
      out.push_back(line);
    }
    for (const auto& c : MainCharts())
      for (std::size_t i = 0; i < c.series.size(); ++i)
        out.push_back(c.name + " " + std::to_string(i) + " " +
                      std::to_string(view.PointCount(c.name, static_cast<int>(i))));
    return out;
  }

  // Clicks a control through its handler, as the window does; fails when it is disabled.
  void Click(const std::string& control) {
    ASSERT_TRUE(presenter.Invoke(control + "Click")) << control << " is not enabled and visible";
  }

  bool On(const std::string& c) const { return view.IsEnabled(c); }
  std::string Text(const std::string& c) const { return view.Text(c); }

  Analysis record;
  MemoryView view{MainControlList(), MainCharts()};
  RecordingWindows windows;
  MainPresenter presenter{record};
  TempFolder folder{"w"};

 private:
  bool hidden_;
};

class AdvancedMainWindow : public MainWindow {
 protected:
  AdvancedMainWindow() : MainWindow(false) {}
};

}  // namespace korv::ui::testing
