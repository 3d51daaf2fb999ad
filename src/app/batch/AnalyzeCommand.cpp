#include "app/batch/AnalyzeCommand.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "app/batch/Json.h"
#include "app/batch/MainRoad.h"
#include "app/batch/SideCommand.h"
#include "core/Analysis.h"
#include "core/Numbers.h"
#include "core/Plausibility.h"
#include "core/TextFile.h"
#include "presenters/common/MemoryView.h"
#include "presenters/common/Windows.h"
#include "presenters/data/ObtainedResultsPresenter.h"
#include "presenters/main/MainCaptions.h"
#include "presenters/main/MainCharts.h"
#include "presenters/main/MainControls.h"
#include "presenters/main/MainPresenter.h"

namespace korv::batch {
namespace {

using korv::ui::MemoryView;

// Calculations of one analysis before the chain gives up on it.
constexpr int kMaxCalculations = 5;

// The in-memory main window; every box it shows and every question it asks with its
// answer is logged in order.
class ScriptedView : public LoggingView {
 public:
  ScriptedView(std::vector<std::string>& log, std::vector<std::string>& errors)
      : LoggingView(korv::ui::MainControlList(), korv::ui::MainCharts(), log), errors_(errors) {}
  void ShowError(const std::string& text) override {
    errors_.push_back(text);
    LoggingView::ShowError(text);
  }
  bool AskYesNo(const std::string& text) override {
    bool yes = MemoryView::AskYesNo(text);
    Log().push_back(text + (yes ? " [Yes]" : " [No]"));
    return yes;
  }

 private:
  std::vector<std::string>& errors_;
};

class Road {
 public:
  Road(const AnalyzeOptions& o, AnalyzeReport& r, Analysis& a, const RoadEnd* end = nullptr)
      : o_(o),
        r_(r),
        end_(end),
        a_(a),
        view_(r.messages, r.errors),
        main_(o.input, o.outdir, {o.smoothness, o.mass, o.minima}, r, &a, &view_),
        presenter_(main_.Presenter()) {}

  void Run() {
    if (!main_.Load()) return;
    r_.sample = a_.SampleNumber;
    walk();
    judge();
    if (end_ && end_->then) end_->then(a_, r_);
  }

 private:
  void walk() {
    const bool fermi = main_.ToFermiLevel();
    if (!a_.SplineTemperature.empty()) r_.splineWarning = korv::ui::SplineWarning(a_);
    if (!fermi) return;
    if (o_.functionType != a_.FunctionType) presenter_.RadioButtonFunctionClick(o_.functionType);

    if (!analysis(1, true)) return;
    if (end_ && end_->stopAfterH1) return;
    for (int k = 2; k <= 3; ++k)
      if (!analysis(k, false)) break;
    if (r_.exitStatus != 0) return;

    if (!step("ButtonSimulation") || !save("ButtonSaveSimulation", "sim", a_.SimulationFile)) return;
    if (!r_.files.empty() && r_.files.back().first == "sim") r_.files.back().first = sFunction() ? "simS" : "simH";
    saveReport(o_.outdir);
  }

  // Densities no sample can have make the result implausible, not done; the files stay.
  void judge() {
    std::vector<korv::EvaluatedLevel> levels;
    for (const auto& e : r_.analyses) levels.push_back({e.name, e.density});
    r_.implausible = korv::ImplausibleLevels(levels, a_.Concentration);
    if (!r_.implausible.empty() && r_.exitStatus == 0) {
      r_.exitStatus = 1;
      r_.failure = "implausible: " + r_.implausible;
    }
  }

  bool sFunction() const { return a_.FunctionType == 1; }
  std::string hName(int k) const { return (sFunction() ? "S" : "H") + std::to_string(k); }

  void fail(int status, const std::string& reason) { main_.Fail(status, reason); }
  bool step(const std::string& control) { return main_.Step(control); }
  bool save(const std::string& control, const std::string& kind, const std::string& field) {
    return main_.Save(control, kind, field);
  }

  void chooseEvaluationType() {
    if (o_.evaluationType) presenter_.ComboBoxAutomaticEvaluationTypeChange(*o_.evaluationType);
  }

  // Analysis k (1 to 3). False ends the chain: a failure for H1, a normal end for H2 and H3.
  bool analysis(int k, bool first) {
    const std::string n = std::to_string(k);
    const std::string calc = "ButtonCalcH" + n, eval = "ButtonEvaluation" + n, saveButton = "ButtonSaveH" + n;
    if (!view_.IsEnabled(calc)) return false;
    int calculations = 0;
    for (;;) {
      if (calculations == kMaxCalculations) return false;
      ++calculations;
      // The fifth question of this analysis is answered "No".
      view_.yesNoAnswers.clear();
      view_.yesNoAnswers.push_back(calculations < kMaxCalculations ? o_.answerYes : false);
      std::size_t before = view_.errors.size();
      presenter_.Invoke(calc + "Click");
      bool failed = view_.errors.size() > before;
      if (first && failed) return fail(1, view_.errors.back()), false;
      if (view_.IsEnabled(calc) && view_.Text(calc) == "Calculation again") continue;
      if (!view_.IsEnabled(eval)) {
        if (first) return fail(1, "no level could be evaluated: " + korv::ui::NoPeakReason(a_, 1)), false;
        return false;
      }
      if (o_.g[k - 1]) view_.SetText("EditGH" + n, FormatGeneral(*o_.g[k - 1]));
      chooseEvaluationType();
      before = view_.errors.size();
      presenter_.Invoke(eval + "Click");
      if (view_.IsEnabled(calc) && view_.Text(calc) == "Calculation again" && !view_.IsEnabled(saveButton)) continue;
      if (!view_.IsEnabled(saveButton)) {
        if (first) return fail(1, view_.errors.size() > before ? view_.errors.back() : "H1 was not evaluated"), false;
        return false;
      }
      break;
    }
    if (!save(saveButton, hName(k), a_.AnalysisFile[k - 1])) return false;
    record(k - 1);
    return true;
  }

  void record(int slot) {
    AnalysisResult e;
    e.name = hName(slot + 1);
    e.eref = a_.Eref[slot];
    const int p = a_.PeakIndex[slot];
    if (p >= 0 && p < static_cast<int>(a_.SplineTemperature.size())) e.peakTemperature = a_.SplineTemperature[p];
    if (p >= 0 && p < static_cast<int>(a_.HValues[slot].size())) e.peakValue = a_.HValues[slot][p];
    e.degeneracyFactor = a_.DegeneracyFactor[slot];
    e.checkTemperature = a_.CheckTemperature[slot];
    e.density = a_.Density[slot];
    e.energyLevel = a_.EnergyLevel[slot];
    e.temporaryCompensatingDensity = a_.TemporaryCompensatingDensity[slot];
    r_.analyses.push_back(e);
    r_.compensatingDensity = a_.CompensatingDensity;
    r_.evaluationFinished = a_.EvaluationFinished;
  }

  void saveReport(const std::string& folder) {
    r_.compensatingDensity = a_.CompensatingDensity;
    r_.evaluationFinished = a_.EvaluationFinished;
    std::vector<std::string> log;
    MemoryView reportView(korv::ui::ObtainedResultsControls(), {});
    korv::ui::ObtainedResultsPresenter report(a_, reportView);
    reportView.AcceptProposedNames(folder);
    report.Clear();
    report.Build();
    report.ToolSaveClick();
    if (!reportView.errors.empty()) return fail(1, reportView.errors.back());
    if (report.SavedPath().empty()) return fail(1, "the results report was not saved");
    r_.files.emplace_back(sFunction() ? "datS" : "datH", report.SavedPath());
  }

  const AnalyzeOptions& o_;
  AnalyzeReport& r_;
  const RoadEnd* end_;
  Analysis& a_;
  ScriptedView view_;
  FermiRoad main_;
  korv::ui::MainPresenter& presenter_;
};

std::string fixed(double v, int width) {
  std::string s = FormatPattern(v, "0.00E+00");
  return std::string(width > static_cast<int>(s.size()) ? width - s.size() : 0, ' ') + s;
}

}  // namespace

AnalyzeReport RunAnalyze(const AnalyzeOptions& options) {
  Analysis record;
  return RunAnalyze(options, record);
}

AnalyzeReport RunAnalyze(const AnalyzeOptions& options, Analysis& record) {
  AnalyzeReport report;
  report.input = options.input;
  Road(options, report, record).Run();
  return report;
}

AnalyzeReport RunAnalyze(const AnalyzeOptions& options, const RoadEnd& end) {
  AnalyzeReport report;
  report.input = options.input;
  Analysis record;
  Road(options, report, record, &end).Run();
  return report;
}

std::string SummaryText(const AnalyzeReport& r) {
  std::ostringstream out;
  out << "Measurement:    " << r.input << "\n";
  out << "Semiconductor:  " << r.semiconductor << " (" << r.conductionType << ")\n";
  if (!r.splineWarning.empty()) out << "Spline:         " << r.splineWarning << "\n";
  out << "\n";
  out << "analysis  E_ref [eV]  T_peak [K]  g     density [cm^-3]  level [eV]  temp. comp. [cm^-3]\n";
  for (const auto& e : r.analyses) {
    out << Padded(e.name, 10) << Padded(FormatPattern(e.eref, "0.######"), 12)
        << Padded(FormatGeneral(e.peakTemperature), 12) << Padded(FormatGeneral(e.degeneracyFactor), 6)
        << Padded(fixed(e.density, 0), 17) << Padded(FormatPattern(e.energyLevel, "0.####"), 12)
        << fixed(e.temporaryCompensatingDensity, 0) << "\n";
  }
  if (r.analyses.empty()) out << "(no analysis was evaluated)\n";
  out << "\nCompensating density: " << FormatPattern(r.compensatingDensity, "0.00E+00") << " cm^-3"
      << (r.evaluationFinished ? "" : " (not fixed by the evaluation)") << "\n";
  if (!r.implausible.empty()) out << "Status: implausible: " << r.implausible << "\n";
  PrintMessagesAndFiles(out, r.messages, r.files);
  return out.str();
}

std::string JsonText(const AnalyzeReport& r) {
  Json j;
  j.BeginObject();
  j.Key("input").String(r.input);
  j.Key("conduction_type").String(r.conductionType);
  j.Key("semiconductor").String(r.semiconductor);
  j.Key("analyses").BeginArray();
  for (const auto& e : r.analyses) {
    j.BeginObject();
    j.Key("name").String(e.name);
    j.Key("eref").Number(e.eref);
    j.Key("peak_temperature").Number(e.peakTemperature);
    j.Key("peak_value").Number(e.peakValue);
    j.Key("degeneracy_factor").Number(e.degeneracyFactor);
    j.Key("check_temperature").Number(e.checkTemperature);
    j.Key("density").Number(e.density);
    j.Key("energy_level").Number(e.energyLevel);
    j.Key("temporary_compensating_density").Number(e.temporaryCompensatingDensity);
    j.EndObject();
  }
  j.EndArray();
  j.Key("compensating_density").Number(r.compensatingDensity);
  j.Key("evaluation_finished").Bool(r.evaluationFinished);
  j.Key("spline_warning");
  if (r.splineWarning.empty())
    j.Null();
  else
    j.String(r.splineWarning);
  WriteMessages(j, {&r.messages});
  WriteFiles(j, {&r.files});
  j.Key("warnings").BeginArray();
  for (const auto& e : r.errors) j.String(e);
  j.EndArray();
  j.Key("status").String(StatusText(r));
  if (r.exitStatus != 0) j.Key("error").String(r.failure);
  j.EndObject();
  return j.Text() + "\n";
}

namespace {

// The shortest text that reads back as the same double, as the JSON output writes it.
std::string exact(double v) {
  if (!std::isfinite(v)) return "";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

// A cell never holds the table's own separators.
std::string cell(std::string s) {
  for (char& c : s)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return s;
}

// Six significant digits for reading, or the exact text.
std::string number(double v, bool fullPrecision) {
  if (fullPrecision || !std::isfinite(v)) return exact(v);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

}  // namespace

std::string StatusText(const AnalyzeReport& r) {
  if (!r.implausible.empty()) return "implausible: " + r.implausible;
  return r.exitStatus == 0 ? "done" : r.exitStatus == 1 ? "failed" : "unreadable";
}

std::vector<std::string> TableLines(const std::vector<AnalyzeReport>& reports, bool fullPrecision) {
  auto exact = [&](double v) { return number(v, fullPrecision); };
  std::vector<std::string> lines;
  std::string head = "file\tsample\tsemiconductor\ttype";
  for (int k = 1; k <= 3; ++k) head += "\tdensity_" + std::to_string(k) + "_cm-3\tenergy_" + std::to_string(k) + "_eV";
  head += "\tcompensating_density_cm-3\tstatus\tfirst_message";
  lines.push_back(head);
  for (const auto& r : reports) {
    std::string line =
        cell(r.input) + "\t" + cell(r.sample) + "\t" + cell(r.semiconductor) + "\t" + cell(r.conductionType);
    for (std::size_t k = 0; k < 3; ++k) {
      if (k < r.analyses.size())
        line += "\t" + exact(r.analyses[k].density) + "\t" + exact(r.analyses[k].energyLevel);
      else
        line += "\t\t";
    }
    line += "\t" + (r.analyses.empty() ? std::string() : exact(r.compensatingDensity));
    line += "\t" + cell(StatusText(r));
    // The first warning or error, not the progress of the road.
    line += "\t" + cell(!r.failure.empty() ? r.failure : r.errors.empty() ? std::string() : r.errors.front());
    lines.push_back(line);
  }
  return lines;
}

void WriteTable(const std::string& path, const std::vector<AnalyzeReport>& reports, bool fullPrecision) {
  TextFileWriter w;
  for (const auto& line : TableLines(reports, fullPrecision)) w.Line(line);
  w.Commit(path);
}

}  // namespace korv::batch
