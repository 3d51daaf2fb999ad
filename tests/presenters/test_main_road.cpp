// Whole analyses of measured samples through the main window, as korv-batch runs them:
// every command by its handler, every dialog answered with the name it proposes.
#include <fstream>
#include <map>
#include <set>

#include "MainFixture.h"
#include "core/Numbers.h"

namespace korv::ui::testing {
namespace {

class Road : public AdvancedMainWindow, public ::testing::WithParamInterface<const char*> {
 protected:
  // Presses a control when it is enabled; true when it was.
  bool Press(const std::string& control) { return presenter.Invoke(control + "Click"); }

  // Calculates H_k, pressing "Calculation again" while the window offers it.
  void Calculate(int k) {
    const std::string button = "ButtonCalcH" + std::to_string(k);
    Press(button);
    for (int i = 0; i < 5 && On(button) && Text(button) == "Calculation again"; ++i) Press(button);
  }
};

TEST_P(Road, WritesEveryFileUnderItsProposedName) {
  const std::string dataset = GetParam();
  const std::string stem = dataset.substr(0, dataset.rfind('.'));
  view.AcceptProposedNames();
  Load(dataset);
  std::vector<std::string> expected = {dataset};
  auto saved = [&](const std::string& button, const std::string& suffix) {
    ASSERT_TRUE(Press(button)) << button;
    ASSERT_TRUE(view.errors.empty()) << button << ": " << view.errors.front();
    const auto& d = view.fileDialogs.back();
    ASSERT_TRUE(d.save);
    EXPECT_EQ(d.dialog.fileName, folder / (stem + suffix)) << button;
    EXPECT_EQ(d.dialog.filter, kMainSaveFilter);
    static const std::map<std::string, int> filterIndex = {{".spl", 1},  {".fl", 2},   {".H1", 3},   {".H2", 4},
                                                           {".H3", 5},   {".simH", 6}, {".H1E", 11}, {".flE", 13},
                                                           {".H2E", 14}, {".H3E", 16}, {".bmp", 10}};
    const std::string ext = suffix.size() > 4 && suffix.ends_with(".bmp") ? ".bmp" : suffix;
    EXPECT_EQ(d.dialog.filterIndex, filterIndex.at(ext)) << button;
    EXPECT_TRUE(std::filesystem::exists(folder / (stem + suffix))) << button;
    EXPECT_FALSE(On(button)) << button << " stays enabled after its save";
    expected.push_back(stem + suffix);
  };

  ASSERT_TRUE(Press("ButtonCalcSpline"));
  saved("ButtonSaveSpline", ".spl");
  saved("ButtonSaveFigureConcentration1", "Con1.bmp");
  saved("ButtonSaveFigureConcentration2", "Con2.bmp");
  ASSERT_TRUE(Press("ButtonInputChangeInformation"));
  ASSERT_TRUE(Press("ButtonCalcEffectiveDensityOfStates"));
  ASSERT_TRUE(Press("ButtonCalcFermiLevel"));
  saved("ButtonSaveFermiLevel", ".fl");
  saved("ButtonSaveExperimentalFermiLevelData", ".flE");
  saved("ButtonSaveFigureFermi", "Fermi.bmp");

  int reached = 0;
  for (int k = 1; k <= 3; ++k) {
    const std::string K = std::to_string(k);
    if (!On("ButtonCalcH" + K)) break;
    Calculate(k);
    ASSERT_TRUE(view.errors.empty()) << "H" << k << ": " << view.errors.front();
    if (!On("ButtonEvaluation" + K)) break;
    saved("ButtonSaveExperimentalH" + K + "Data", ".H" + K + "E");
    ASSERT_TRUE(Press("ButtonEvaluation" + K));
    ASSERT_TRUE(view.errors.empty()) << "evaluation " << k << ": " << view.errors.front();
    if (!On("ButtonSaveH" + K)) break;
    saved("ButtonSaveH" + K, ".H" + K);
    saved("ButtonSaveFigureH" + K, "H" + K + ".bmp");
    EXPECT_EQ(Text("LabelFilenameH" + K), folder / (stem + ".H" + K));
    EXPECT_TRUE(view.IsChecked("CheckBox" + K));
    EXPECT_EQ(Text("EditSDensity" + K), FormatPattern(record.Density[k - 1], "0.00E+00"));
    reached = k;
  }
  ASSERT_GE(reached, 1);

  ASSERT_TRUE(Press("ButtonSimulation"));
  EXPECT_GT(view.PointCount("ChartSimulationT", 1), 0);
  saved("ButtonSaveSimulation", ".simH");
  saved("ButtonSaveFigureSimulation1", "SimH1.bmp");
  saved("ButtonSaveFigureSimulation2", "SimH2.bmp");
  EXPECT_TRUE(On("MenuCurveFitting"));
  EXPECT_TRUE(On("ButtonFineAdjustment"));
  ASSERT_TRUE(Press("ButtonFineAdjustment"));
  EXPECT_TRUE(windows.IsShown(Window::CurveFitting));

  std::set<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(folder.Path())) files.insert(e.path().filename().string());
  EXPECT_EQ(files, std::set<std::string>(expected.begin(), expected.end()));

  // The written H1 file is the one the record names, and it begins with the header.
  std::ifstream h1(folder / (stem + ".H1"));
  std::string first;
  std::getline(h1, first);
  EXPECT_EQ(first.rfind("%", 0), 0u);
  std::cout << "[ road     ] " << stem << ": reached H" << reached;
  for (int k = 0; k < reached; ++k)
    std::cout << "  N" << k + 1 << "=" << Text("EditSDensity" + std::to_string(k + 1)) << " E" << k + 1 << "="
              << Text("EditSEnergy" + std::to_string(k + 1));
  std::cout << "  Ncomp=" << Text("EditSCDensity") << "\n";
}

INSTANTIATE_TEST_SUITE_P(Datasets, Road,
                         ::testing::Values("01_si_n_P_lightcomp.nT", "02_si_p_B_comp20.pT", "13_gan_n_two_donors.nT",
                                           "17_gan_p_Mg_excited_states.pT"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param).substr(0, 2);
                         });

}  // namespace
}  // namespace korv::ui::testing
