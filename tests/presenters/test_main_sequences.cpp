// No enabled command of the main window leads to an error, a nonsense result or an empty
// file: the shortest sequences that once did, and random command sequences from a fixed
// seed that check the window's invariants after every step.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "MainFixture.h"
#include "core/HeaderBlocks.h"
#include "core/Numbers.h"

namespace korv::ui::testing {
namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class Sequences : public AdvancedMainWindow {};

// ">" from the H1 peak of this sample reaches the last grid point and "<" the first: no
// level can be evaluated at either.
TEST_F(Sequences, APeakStepToTheGridEndLeavesTheEvaluationDisabled) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcH1");
  ASSERT_TRUE(On("ButtonEvaluation1"));
  Click("ButtonIncreasePeakH1");
  ASSERT_EQ(record.PeakIndex[0], record.GridCount - 1);
  EXPECT_FALSE(On("ButtonEvaluation1"));
  EXPECT_FALSE(On("ButtonSaveH1"));

  Click("ButtonCalcH1");
  Click("ButtonDecreasePeakH1");
  ASSERT_EQ(record.PeakIndex[0], 0);
  EXPECT_FALSE(On("ButtonEvaluation1"));
  EXPECT_TRUE(view.errors.empty());
}

TEST_F(Sequences, ChangeDataSavedUnchangedDisablesWhatTheClearedSplineFed) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  windows.dataSheet = [](bool) { return true; };
  Click("ButtonChangeData");
  EXPECT_EQ(record.GridCount, 0);
  EXPECT_FALSE(On("ButtonSaveSpline"));
  EXPECT_FALSE(On("ButtonSimulation"));
  EXPECT_FALSE(On("ButtonSaveSimulation"));
  EXPECT_TRUE(On("ButtonCalcSpline"));
}

TEST_F(Sequences, AnEmptySplineIsRefusedEverywhere) {
  ToFermiReady("01_si_n_P_lightcomp.nT");
  // A spline file without a point, as an earlier version could write it.
  const std::string empty = folder / "empty.spl";
  {
    Analysis m;
    m.ExperimentalDataFile = record.ExperimentalDataFile;
    m.Semiconductor = "Si";
    m.ConductionType = "n-type";
    m.AnalysisDataFile = empty;
    m.GridCount = 0;
    ASSERT_TRUE(m.SaveSplineFile());
  }
  ASSERT_NE(Contents(empty).find(std::string(header::kGridCount) + "0"), std::string::npos);
  view.openAnswers.push_back(empty);
  Click("LoadSpline");
  EXPECT_EQ(view.errors, std::vector<std::string>{"The file " + empty + " holds no data for analysis."});
  EXPECT_EQ(record.AnalysisDataFile, "");
  for (const char* c : {"ButtonCalcFermiLevel", "ButtonSimulation", "ButtonSaveSpline", "LoadFermiLevel"})
    EXPECT_FALSE(On(c)) << c;

  // Saving or using an empty grid is refused even when asked directly.
  view.ClearLog();
  presenter.ButtonSaveSplineClick();
  presenter.ButtonCalcFermiLevelClick();
  ASSERT_EQ(view.errors.size(), 2u);
  for (const auto& e : view.errors) EXPECT_EQ(e, "There are no data for analysis: calculate or load the spline first.");
  EXPECT_TRUE(view.fileDialogs.empty());
}

TEST_F(Sequences, AFileOfTheWrongKindIsNamedInTheMessage) {
  Load("01_si_n_P_lightcomp.nT");
  view.openAnswers.push_back(record.ExperimentalDataFile);  // a *.nT where a *.spl belongs
  Click("LoadSpline");
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_NE(view.errors[0].find(record.ExperimentalDataFile), std::string::npos) << view.errors[0];
  EXPECT_EQ(record.AnalysisDataFile, "");
}

TEST_F(Sequences, AnAbsurdMaterialValueIsCalledOutOfRange) {
  view.AcceptProposedNames();
  Load("01_si_n_P_lightcomp.nT");
  Click("ButtonCalcSpline");
  Click("ButtonSaveSpline");
  Click("ButtonInputChangeInformation");
  view.SetText("EditMass", "1e300");
  Click("ButtonCalcEffectiveDensityOfStates");
  EXPECT_EQ(view.errors, std::vector<std::string>{"The effective mass 1E300 is out of range (at most 1000)."});
  EXPECT_TRUE(On("ButtonCalcEffectiveDensityOfStates"));
  view.ClearLog();
  view.SetText("EditMass", "-1");
  Click("ButtonCalcEffectiveDensityOfStates");
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_NE(view.errors[0].find("must be positive"), std::string::npos);
}

// ---- Random command sequences --------------------------------------------------------------------

// Runs of random commands over the enabled and visible controls, with every dialog
// answered at random: the files of the run, a file of the wrong kind, or a cancel. After
// each step the window must show no NaN or infinity, propose no bare extension, enable
// "Evaluation" only for an inner peak, enable nothing that needs a spline without one, and
// keep the negative-density flag with its caption; no file it wrote may be empty.
struct Totals {
  int sequences = 0, steps = 0, commands = 0, errors = 0, files = 0;
};

class RandomSequences : public ::testing::Test {
 protected:
  static int Setting(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
  }
};

// No word of the text is "nan", "inf" or "infinity", whatever the case.
bool Finite(const std::string& text) {
  std::string word;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    if (std::isalpha(static_cast<unsigned char>(c))) {
      word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      continue;
    }
    if (word == "nan" || word == "inf" || word == "infinity") return false;
    word.clear();
  }
  return true;
}

// The commands that take the analysis one stage further, in chain order.
const char* const kForward[] = {
    "ButtonLoadExperimental", "ButtonCalcSpline",  "ButtonSaveSpline",  "ButtonCalcFermiLevel",
    "ButtonSaveFermiLevel",   "ButtonCalcH1",      "ButtonEvaluation1", "ButtonSaveH1",
    "ButtonCalcH2",           "ButtonEvaluation2", "ButtonSaveH2",      "ButtonCalcH3",
    "ButtonEvaluation3",      "ButtonSaveH3",      "ButtonSimulation",  "ButtonSaveSimulation"};

TEST_F(RandomSequences, NoEnabledCommandLeadsToNonsense) {
  const int sequences = Setting("KORV_RANDOM_SEQUENCES", 12);
  const int length = Setting("KORV_RANDOM_STEPS", 30);
  const unsigned seed = static_cast<unsigned>(Setting("KORV_RANDOM_SEED", 20261210));
  std::mt19937 random(seed);
  Totals totals;
  std::map<std::string, int> messages;  // error boxes by command and text, shown with KORV_RANDOM_VERBOSE
  const char* const datasets[] = {"01_si_n_P_lightcomp.nT", "02_si_p_B_comp20.pT", "07_sic4h_n_N_two_sites.nT",
                                  "13_gan_n_two_donors.nT"};
  // Texts a user might leave in the edits the commands read.
  const char* const texts[] = {"5000", "50", "1e300", "-1", "0", "abc", "2", "4", "1e-300", ""};
  const char* const edits[] = {"EditSmoothness", "EditMass",      "EditEquivalentMinima", "EditGH1",      "EditGH2",
                               "EditGH3",        "EditSDensity1", "EditSEnergy1",         "EditSCDensity"};

  for (int run = 0; run < sequences; ++run) {
    Analysis record;
    MemoryView view{MainControlList(), MainCharts()};
    RecordingWindows windows;
    MainPresenter presenter{record};
    presenter.Attach(view, windows);
    presenter.FormCreate(random() % 2 == 0);
    TempFolder folder("rnd" + std::to_string(run));
    std::vector<std::string> files;
    for (const char* d : datasets) {
      files.push_back(folder / d);
      std::filesystem::copy_file(DatasetPath(d), files.back());
    }
    const std::string wrongKind = folder / "notes.spl";
    std::ofstream(wrongKind) << "% not a spline\r\n1 2 3\r\n";
    files.push_back(wrongKind);
    std::vector<std::string> written;
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    view.openAnswerer = [&](const FileDialog&) -> std::optional<std::string> {
      if (pick(6) == 0) return std::nullopt;
      std::vector<std::string> all = files;
      all.insert(all.end(), written.begin(), written.end());
      return all[pick(all.size())];
    };
    view.saveAnswerer = [&](const FileDialog& d) -> std::optional<std::string> {
      const std::string name = std::filesystem::path(d.fileName).filename().string();
      EXPECT_FALSE(!name.empty() && name.front() == '.') << "bare extension proposed: " << d.fileName;
      if (pick(8) == 0) return std::nullopt;
      const std::string path = name.empty() ? folder / ("typed" + std::to_string(written.size())) : folder / name;
      written.push_back(path);
      return path;
    };
    view.yesNoAnswerer = [&](const std::string&) { return pick(2) == 0; };
    windows.dataSheet = [&](bool keyboard) {
      if (keyboard || record.Temperature.empty() || pick(3) == 0) return false;
      return true;  // the sheet saved the data it showed
    };
    const auto names = presenter.HandlerNames();
    ++totals.sequences;
    for (int step = 0; step < length; ++step) {
      ++totals.steps;
      for (int j = 0; j < 4; ++j) windows.dataSources.push_back(static_cast<DataSource>(pick(3)));
      windows.remarksChoices.push_back(pick(2) ? RemarksChoice::Continue : RemarksChoice::EvaluationAgain);
      windows.functionClicks.push_back({static_cast<int>(1 + pick(2))});
      if (pick(5) == 0) view.SetText(edits[pick(std::size(edits))], texts[pick(std::size(texts))]);
      if (pick(8) == 0) presenter.PageControl1Change("TabSheet" + std::to_string(1 + pick(6)));
      // A command the user can reach: an enabled and visible control.
      std::vector<std::string> reachable;
      for (const auto& n : names) {
        const std::string control = n.substr(0, n.size() - 5);
        if (n == "ExitMainClick" || n == "PrintMainClick") continue;
        if (view.IsEnabled(control) && view.IsVisible(control)) reachable.push_back(n);
      }
      // Half of the steps go forward along the chain, so that the runs reach the later tabs.
      std::string command = reachable[pick(reachable.size())];
      if (pick(2) == 0)
        for (const char* c : kForward)
          if (view.IsEnabled(c) && view.IsVisible(c)) command = std::string(c) + "Click";
      const std::size_t errorsBefore = view.errors.size();
      if (presenter.Invoke(command)) ++totals.commands;
      totals.errors += static_cast<int>(view.errors.size() - errorsBefore);
      for (std::size_t e = errorsBefore; e < view.errors.size(); ++e)
        ++messages[command + ": " + view.errors[e].substr(0, 90)];
      const std::string where = "run " + std::to_string(run) + " step " + std::to_string(step) + " " + command;

      for (const auto& c : MainControls()) ASSERT_TRUE(Finite(view.Text(c.name))) << where << ": " << c.name;
      for (const auto& e : view.errors) ASSERT_TRUE(Finite(e)) << where << ": " << e;
      for (const auto& c : MainCharts())
        for (std::size_t s = 0; s < c.series.size(); ++s)
          for (const auto& [x, y] : view.Series(c.name, static_cast<int>(s)))
            ASSERT_TRUE(std::isfinite(x) && std::isfinite(y)) << where << ": " << c.name;
      const int grid = std::min<int>(record.GridCount, static_cast<int>(record.SplineTemperature.size()));
      for (int k = 1; k <= 3; ++k)
        if (view.IsEnabled("ButtonEvaluation" + std::to_string(k))) {
          const int p = record.PeakIndex[k - 1];
          ASSERT_TRUE(p > 0 && p < grid - 1) << where << ": Evaluation" << k << " at peak " << p;
        }
      for (const char* c : {"ButtonSaveSpline", "ButtonSimulation", "ButtonSaveSimulation", "ButtonCalcFermiLevel"})
        if (view.IsEnabled(c)) ASSERT_GT(grid, 0) << where << ": " << c;
      ASSERT_EQ(presenter.NegativeNcomInUse(), view.Text("ButtonUseNegativeNcom") == "Do not Use Negative Value")
          << where;
      ASSERT_EQ(view.cursor, Cursor::Normal) << where;
    }
    for (const auto& path : written) {
      if (!std::filesystem::exists(path)) continue;
      ++totals.files;
      const std::string text = Contents(path);
      EXPECT_FALSE(text.empty()) << path;
      EXPECT_EQ(text.find(std::string(header::kGridCount) + "0\r"), std::string::npos) << "empty grid in " << path;
    }
  }
  std::cout << "[ random   ] seed " << seed << ": " << totals.sequences << " sequences, " << totals.steps << " steps, "
            << totals.commands << " commands run, " << totals.errors << " error boxes, " << totals.files
            << " files written\n";
  if (Setting("KORV_RANDOM_VERBOSE", 0))
    for (const auto& [text, count] : messages) std::cout << "  " << count << " x " << text << "\n";
}

}  // namespace
}  // namespace korv::ui::testing
