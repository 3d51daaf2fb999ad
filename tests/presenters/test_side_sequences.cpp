// No enabled command of a side window leads to an error of the window, a non-finite text or
// an empty file: random command sequences from a fixed seed over each analysis side window,
// with hostile texts in its edits, checking the window's invariants after every step, and
// the shortest sequences that once failed.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>

#include "MainFixture.h"
#include "core/Error.h"
#include "presenters/analyses/CurveFittingPresenter.h"
#include "presenters/analyses/DhesPresenter.h"
#include "presenters/analyses/DonorAcceptorPresenter.h"
#include "presenters/analyses/ExcitedStatesPresenter.h"
#include "presenters/analyses/OneImpurityPresenter.h"

namespace korv::ui::testing {
namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

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

int Setting(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

// One side window under test: its view, its presenter and its commands by handler name.
struct Window {
  std::string title;
  std::unique_ptr<MemoryView> view;
  std::shared_ptr<void> presenter;
  std::map<std::string, std::function<void()>> commands;  // "<control>Click" -> the click
  std::vector<std::string> edits;
  std::vector<std::string> saves;  // the commands that write a result file
  std::function<void()> editChanged;
  std::function<void()> prepare;
};

bool Reachable(const MemoryView& view, const std::string& handler) {
  const std::string control = handler.substr(0, handler.size() - 5);
  return view.IsEnabled(control) && view.IsVisible(control);
}

// The buttons of a window whose presenter runs a click by its handler name.
template <class P>
void AddButtons(Window& w, P& p, const std::vector<Control>& controls) {
  for (const auto& c : controls)
    if (c.kind == ControlKind::Button) w.commands[c.name + "Click"] = [&p, name = c.name + "Click"] { p.Invoke(name); };
}

std::vector<std::string> EditsOf(const std::vector<Control>& controls) {
  std::vector<std::string> e;
  for (const auto& c : controls)
    if (c.kind == ControlKind::Edit) e.push_back(c.name);
  return e;
}

template <class P>
std::shared_ptr<P> Make(Window& w, const std::vector<Control>& controls, const std::vector<ChartSpec>& charts,
                        const std::function<std::shared_ptr<P>(MemoryView&)>& make) {
  w.view = std::make_unique<MemoryView>(controls, charts);
  auto p = make(*w.view);
  w.presenter = p;
  w.edits = EditsOf(controls);
  return p;
}

// The five side windows over the record the main window left.
std::vector<Window> SideWindows(Analysis& record) {
  std::vector<Window> all;
  {
    Window w;
    w.title = "one impurity";
    auto p =
        Make<OneImpurityPresenter>(w, ConventionalAnalysisControls(), ConventionalAnalysisCharts(),
                                   [&](MemoryView& v) { return std::make_shared<OneImpurityPresenter>(record, v); });
    AddButtons(w, *p, ConventionalAnalysisControls());
    for (const char* m : {"SaveConventionalAnalysisClick", "PrintConventionalAnalysisClick", "Help2Click"})
      w.commands[m] = [p, m] { p->Invoke(m); };
    p->printWindow = [] { return true; };
    w.saves = {"SaveConventionalAnalysisClick"};
    w.prepare = [p] { p->PrepareWindow(); };
    all.push_back(std::move(w));
  }
  {
    Window w;
    w.title = "donor-acceptor";
    auto p = Make<DonorAcceptorPresenter>(
        w, ConventionalAnalysis2Controls(), ConventionalAnalysis2Charts(),
        [&](MemoryView& v) { return std::make_shared<DonorAcceptorPresenter>(record, v); });
    AddButtons(w, *p, ConventionalAnalysis2Controls());
    p->printWindow = [] { return true; };
    p->showConfirmation = [](bool) {};
    w.saves = {"ButtonSaveClick"};
    w.prepare = [p] { p->PrepareWindow(); };
    all.push_back(std::move(w));
  }
  {
    Window w;
    w.title = "DHES";
    auto p = Make<DhesPresenter>(w, DhesControls(), DhesCharts(),
                                 [&](MemoryView& v) { return std::make_shared<DhesPresenter>(record, v); });
    AddButtons(w, *p, DhesControls());
    p->printWindow = [] { return true; };
    w.saves = {"ButtonSaveDHESClick"};
    w.prepare = [p] { p->PrepareWindow(); };
    all.push_back(std::move(w));
  }
  {
    Window w;
    w.title = "excited states";
    auto p = Make<ExcitedStatesPresenter>(w, ExcitedStatesControls(), ExcitedStatesCharts(), [&](MemoryView& v) {
      return std::make_shared<ExcitedStatesPresenter>(record, v, nullptr, [] { return true; });
    });
    using P = ExcitedStatesPresenter;
    for (auto [name, f] : std::vector<std::pair<const char*, void (P::*)()>>{
             {"ButtonAutoClick", &P::ButtonAutoClick},
             {"ButtonSaveNormalClick", &P::ButtonSaveNormalClick},
             {"ButtonSaveExcitedStatesClick", &P::ButtonSaveExcitedStatesClick},
             {"ButtonSaveFigureNormal1Click", &P::ButtonSaveFigureNormal1Click},
             {"ButtonSaveFigureNormal2Click", &P::ButtonSaveFigureNormal2Click},
             {"ButtonSaveFigureExcitedStates1Click", &P::ButtonSaveFigureExcitedStates1Click},
             {"ButtonSaveFigureExcitedStates2Click", &P::ButtonSaveFigureExcitedStates2Click}})
      w.commands[name] = [p, f = f] { ((*p).*f)(); };
    w.editChanged = [p] { p->EditDielectricConstantChange(); };
    w.saves = {"ButtonSaveNormalClick", "ButtonSaveExcitedStatesClick"};
    w.prepare = [p] { p->PrepareWindow(); };
    all.push_back(std::move(w));
  }
  {
    Window w;
    w.title = "curve fitting";
    auto p = Make<CurveFittingPresenter>(w, CurveFittingControls(), CurveFittingCharts(), [&](MemoryView& v) {
      return std::make_shared<CurveFittingPresenter>(record, v);
    });
    using P = CurveFittingPresenter;
    for (auto [name, f] : std::vector<std::pair<const char*, void (P::*)()>>{
             {"ButtonInitializeClick", &P::ButtonInitializeClick},
             {"ButtonDecreaseLowClick", &P::ButtonDecreaseLowClick},
             {"ButtonIncreaseLowClick", &P::ButtonIncreaseLowClick},
             {"ButtonDecreaseHighClick", &P::ButtonDecreaseHighClick},
             {"ButtonIncreaseHighClick", &P::ButtonIncreaseHighClick},
             {"ButtonCurveFittingClick", &P::ButtonCurveFittingClick},
             {"ButtonMergeClick", &P::ButtonMergeClick},
             {"ButtonSaveClick", &P::ButtonSaveClick},
             {"ButtonSaveFigureSimulationClick", &P::ButtonSaveFigureSimulationClick},
             {"ButtonSaveFigureCurveFittingClick", &P::ButtonSaveFigureCurveFittingClick}})
      w.commands[name] = [p, f = f] { ((*p).*f)(); };
    MemoryView* v = w.view.get();
    for (const char* radio : {"RadioButtonAbsolute", "RadioButtonRelative"})
      w.commands[std::string(radio) + "Click"] = [p, v, radio] {
        v->SetChecked("RadioButtonAbsolute", std::string(radio) == "RadioButtonAbsolute");
        v->SetChecked("RadioButtonRelative", std::string(radio) == "RadioButtonRelative");
        p->RadioButtonDeviationClick();
      };
    for (const char* box : {"CheckBox1", "CheckBox2", "CheckBox3"})
      w.commands[std::string(box) + "Click"] = [v, box] { v->SetChecked(box, !v->IsChecked(box)); };
    p->printWindow = [] { return true; };
    w.saves = {"ButtonSaveClick"};
    w.prepare = [p] { p->PrepareWindow(); };
    all.push_back(std::move(w));
  }
  return all;
}

// Texts a user might leave in an edit.
const std::vector<std::string>& HostileTexts() {
  static const std::vector<std::string> texts{"",
                                              "abc",
                                              "0",
                                              "-1",
                                              "1e300",
                                              "NaN",
                                              "inf",
                                              "-1e300",
                                              "1e-300",
                                              std::string(400, '9'),
                                              "1" + std::string(300, '0'),
                                              "0.1",
                                              "1e15",
                                              "12",
                                              "0.05",
                                              "2e16"};
  return texts;
}

// The main window up to a saved H1 and a saved simulation on a measurement.
class SideSequences : public AdvancedMainWindow {
 protected:
  void Road(const std::string& dataset) {
    ToH1Saved(dataset);
    if (On("ButtonSimulation")) Click("ButtonSimulation");
    if (On("ButtonSaveSimulation")) Click("ButtonSaveSimulation");
    ASSERT_TRUE(view.errors.empty()) << view.errors.front();
  }
};

struct Totals {
  int sequences = 0, steps = 0, commands = 0, errors = 0, files = 0;
  double seconds = 0;
};

// Checks the invariants of a window after a step; an empty text when they hold.
// The step's error boxes are checked; an edit that still holds what the user typed ("inf" among them) is not the
// window's text.
std::string Broken(const Window& w, const std::vector<Control>& controls, const std::vector<ChartSpec>& charts,
                   const std::map<std::string, std::string>& typed, std::size_t newErrors) {
  const MemoryView& v = *w.view;
  for (const auto& c : controls) {
    const auto t = typed.find(c.name);
    if (t != typed.end() && t->second == v.Text(c.name)) continue;
    if (!Finite(v.Text(c.name))) return c.name + " shows \"" + v.Text(c.name).substr(0, 80) + "\"";
  }
  for (std::size_t i = newErrors; i < v.errors.size(); ++i) {
    std::string e = v.errors[i];
    // A message may quote what was typed.
    for (const auto& [edit, text] : typed)
      for (std::size_t at; !text.empty() && (at = e.find("'" + text + "'")) != std::string::npos;)
        e.erase(at, text.size() + 2);
    if (!Finite(e)) return "error box \"" + e + "\"";
  }
  for (const auto& c : charts)
    for (std::size_t s = 0; s < c.series.size(); ++s)
      for (const auto& [x, y] : v.Series(c.name, static_cast<int>(s)))
        if (!std::isfinite(x) || !std::isfinite(y)) return c.name + " series " + std::to_string(s) + " not finite";
  if (v.cursor != Cursor::Normal) return "cursor left busy";
  return "";
}

const std::vector<Control>& ControlsOf(const std::string& title) {
  if (title == "one impurity") return ConventionalAnalysisControls();
  if (title == "donor-acceptor") return ConventionalAnalysis2Controls();
  if (title == "DHES") return DhesControls();
  if (title == "excited states") return ExcitedStatesControls();
  return CurveFittingControls();
}
const std::vector<ChartSpec>& ChartsOf(const std::string& title) {
  if (title == "one impurity") return ConventionalAnalysisCharts();
  if (title == "donor-acceptor") return ConventionalAnalysis2Charts();
  if (title == "DHES") return DhesCharts();
  if (title == "excited states") return ExcitedStatesCharts();
  return CurveFittingCharts();
}

TEST_F(SideSequences, NoEnabledCommandOfASideWindowLeadsToNonsense) {
  const int sequences = Setting("KORV_SIDE_SEQUENCES", 1);
  const int length = Setting("KORV_SIDE_STEPS", 12);
  const unsigned seed = static_cast<unsigned>(Setting("KORV_RANDOM_SEED", 20261211));
  const auto started = std::chrono::steady_clock::now();
  std::mt19937 random(seed);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  std::map<std::string, Totals> totals;
  std::map<std::string, int> messages;
  const char* const datasets[] = {"01_si_n_P_lightcomp.nT", "02_si_p_B_comp20.pT", "07_sic4h_n_N_two_sites.nT",
                                  "17_gan_p_Mg_excited_states.pT"};
  for (const char* dataset : datasets) {
    for (int run = 0; run < sequences; ++run) {
      // Each run from a freshly loaded measurement: the side windows share the record, as in the program.
      view.ClearLog();
      Road(dataset);
      if (HasFatalFailure()) return;
      auto windows = SideWindows(record);
      for (auto& w : windows) {
        Totals& t = totals[w.title];
        std::vector<std::string> written;
        MemoryView& v = *w.view;
        v.saveAnswerer = [&](const FileDialog& d) -> std::optional<std::string> {
          if (pick(6) == 0) return std::nullopt;
          const std::string name = std::filesystem::path(d.fileName).filename().string();
          const std::string path =
              folder / (name.empty() ? "typed" + std::to_string(written.size()) : std::to_string(run) + name);
          written.push_back(path);
          return path;
        };
        v.openAnswerer = [](const FileDialog&) { return std::nullopt; };
        v.yesNoAnswerer = [&](const std::string&) { return pick(2) == 0; };
        const std::string where0 = std::string(dataset) + " " + w.title + " run " + std::to_string(run);
        try {
          w.prepare();
        } catch (const korv::Error&) {
          continue;  // the main window shows the message and does not open the window
        }
        ++t.sequences;
        const auto windowStarted = std::chrono::steady_clock::now();
        std::string trail;
        std::map<std::string, std::string> typed;
        for (int step = 0; step < length; ++step) {
          ++t.steps;
          if (!w.edits.empty() && pick(3) == 0) {
            const std::string& edit = w.edits[pick(w.edits.size())];
            const std::string& text = HostileTexts()[pick(HostileTexts().size())];
            v.SetText(edit, text);
            typed[edit] = text;
            trail += " [" + edit + "=" + text.substr(0, 12) + "]";
            if (w.editChanged) w.editChanged();
          }
          std::vector<std::string> reachable;
          for (const auto& [name, f] : w.commands)
            if (Reachable(v, name)) reachable.push_back(name);
          if (reachable.empty()) break;
          const std::string command = reachable[pick(reachable.size())];
          trail += " " + command;
          const std::size_t errorsBefore = v.errors.size(), writtenBefore = written.size();
          try {
            w.commands[command]();
          } catch (const std::invalid_argument&) {
            w.commands.erase(command);  // no handler of that name: not a command of the window
            continue;
          }
          ++t.commands;
          t.errors += static_cast<int>(v.errors.size() - errorsBefore);
          for (std::size_t e = errorsBefore; e < v.errors.size(); ++e)
            ++messages[w.title + " " + command + ": " + v.errors[e].substr(0, 90)];
          // A save that was given a file writes it or says why not.
          const bool saved =
              std::find(w.saves.begin(), w.saves.end(), command) != w.saves.end() && written.size() > writtenBefore;
          ASSERT_TRUE(!saved || std::filesystem::exists(written.back()) || v.errors.size() > errorsBefore)
              << where0 << " step " << step << ": nothing saved and nothing said:" << trail;
          const std::string broken = Broken(w, ControlsOf(w.title), ChartsOf(w.title), typed, errorsBefore);
          ASSERT_EQ(broken, "") << where0 << " step " << step << ":" << trail;
        }
        t.seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - windowStarted).count();
        for (const auto& path : written) {
          if (!std::filesystem::exists(path)) continue;
          ++t.files;
          const std::string text = Contents(path);
          EXPECT_FALSE(text.empty()) << where0 << ": " << path << trail;
          const bool figure = path.size() > 4 && path.substr(path.size() - 4) == ".bmp";
          EXPECT_TRUE(figure || Finite(text)) << where0 << ": " << path << trail;
        }
      }
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  Totals sum;
  for (const auto& [title, t] : totals) {
    std::cout << "[ random   ] " << title << ": " << t.sequences << " sequences, " << t.steps << " steps, "
              << t.commands << " commands, " << t.errors << " error boxes, " << t.files << " files written, "
              << t.seconds << " s\n";
    sum.sequences += t.sequences, sum.steps += t.steps, sum.commands += t.commands, sum.errors += t.errors,
        sum.files += t.files;
  }
  std::cout << "[ random   ] seed " << seed << ", all side windows: " << sum.sequences << " sequences, " << sum.steps
            << " steps, " << sum.commands << " commands, " << sum.errors << " error boxes, " << sum.files
            << " files written, " << seconds << " s\n";
  if (Setting("KORV_RANDOM_VERBOSE", 0))
    for (const auto& [text, count] : messages) std::cout << "  " << count << " x " << text << "\n";
}

}  // namespace
}  // namespace korv::ui::testing
