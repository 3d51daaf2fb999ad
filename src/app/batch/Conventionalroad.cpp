#include "batch/Conventionalroad.h"

#include <filesystem>

#include "core/Numbers.h"
#include "presenters/MainCharts.h"
#include "presenters/MainControls.h"

namespace korv::batch {

FermiRoad::FermiRoad(const ConventionalOptions& o, ConventionalReport& r)
    : o_(o), r_(r), view_(korv::ui::MainControlList(), korv::ui::MainCharts(), r.messages), presenter_(a_) {
  presenter_.Attach(view_, windows);
  presenter_.FormCreate(true);
}

void FermiRoad::Fail(int status, const std::string& reason) {
  r_.exitStatus = status;
  r_.failure = reason;
}

bool FermiRoad::step(const std::string& control) {
  const std::size_t before = view_.errors.size();
  if (!presenter_.Invoke(control + "Click")) return Fail(1, control + " is not available at this point"), false;
  if (view_.errors.size() > before) return Fail(1, view_.errors.back()), false;
  return true;
}

bool FermiRoad::save(const std::string& control, const std::string& kind, const std::string& field) {
  if (!step(control)) return false;
  if (field.empty()) return Fail(1, control + " did not save a file"), false;
  r_.files.emplace_back(kind, field);
  return true;
}

bool FermiRoad::Run() {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::exists(o_.input, ec)) return Fail(2, "cannot open '" + o_.input + "': no such file"), false;
  if (fs::is_directory(o_.input, ec)) return Fail(2, "cannot open '" + o_.input + "': it is a folder"), false;
  view_.openAnswers.push_back(o_.input);
  const std::size_t before = view_.errors.size();
  presenter_.ButtonLoadExperimentalClick();
  if (view_.errors.size() > before) return Fail(2, "cannot read '" + o_.input + "': " + view_.errors.back()), false;
  if (a_.DataCount < 2) return Fail(2, "cannot analyse '" + o_.input + "': it holds fewer than two points"), false;
  r_.conductionType = a_.ConductionType;
  r_.semiconductor = a_.Semiconductor;
  if (!o_.outdir.empty()) {
    fs::create_directories(o_.outdir, ec);
    if (ec || !fs::is_directory(o_.outdir)) return Fail(2, "cannot use the output folder '" + o_.outdir + "'"), false;
  }
  view_.AcceptProposedNames(o_.outdir);
  view_.SetText("EditSmoothness", FormatGeneral(o_.smoothness));
  if (!step("ButtonCalcSpline") || !save("ButtonSaveSpline", "spl", a_.AnalysisDataFile)) return false;
  if (!step("ButtonInputChangeInformation")) return false;
  if (o_.mass) view_.SetText("EditMass", FormatGeneral(*o_.mass));
  if (o_.minima) view_.SetText("EditEquivalentMinima", FormatGeneral(*o_.minima));
  return step("ButtonCalcEffectiveDensityOfStates") && step("ButtonCalcFermiLevel") &&
         save("ButtonSaveFermiLevel", "fl", a_.FermiLevelFile);
}

bool FermiRoad::OpenFromMenu(const std::string& menuItem) {
  const std::size_t before = view_.errors.size();
  if (!presenter_.Invoke(menuItem + "Click")) return Fail(1, menuItem + " is not available at this point"), false;
  if (view_.errors.size() > before) return Fail(1, view_.errors.back()), false;
  return true;
}

bool ReachRange(int targetLow, int targetHigh, const std::function<int()>& low, const std::function<int()>& high,
                const std::function<bool(const std::string&)>& click, int count) {
  // The high end first when it moves down, so that the two ends never meet on the way.
  for (int guard = 0; guard < 4 * count + 8; ++guard) {
    if (high() > targetHigh && high() - 1 > low()) {
      if (!click("ButtonIncreaseLow")) return false;
    } else if (low() < targetLow && low() + 1 < high()) {
      if (!click("ButtonDecreaseHigh")) return false;
    } else if (high() < targetHigh) {
      if (!click("ButtonDecreaseLow")) return false;
    } else if (low() > targetLow) {
      if (!click("ButtonIncreaseHigh")) return false;
    } else {
      return low() == targetLow && high() == targetHigh;
    }
  }
  return false;
}

}  // namespace korv::batch
