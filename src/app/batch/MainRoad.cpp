#include "app/batch/MainRoad.h"

#include <filesystem>

#include "core/Numbers.h"
#include "presenters/main/MainCharts.h"
#include "presenters/main/MainControls.h"

namespace korv::batch {

FermiRoad::FermiRoad(const std::string& input, const std::string& outdir, const RoadOptions& road, RoadReport& r,
                     Analysis* record, LoggingView* view)
    : input_(input),
      outdir_(outdir),
      road_(road),
      r_(r),
      ownRecord_(record ? nullptr : std::make_unique<Analysis>()),
      a_(record ? *record : *ownRecord_),
      ownView_(view ? nullptr
                    : std::make_unique<LoggingView>(korv::ui::MainControlList(), korv::ui::MainCharts(), r.messages)),
      view_(view ? *view : *ownView_),
      presenter_(a_) {
  presenter_.Attach(view_, windows);
  presenter_.FormCreate(true);
}

void FermiRoad::Fail(int status, const std::string& reason) {
  r_.exitStatus = status;
  r_.failure = reason;
}

bool FermiRoad::Step(const std::string& control) {
  const std::size_t before = view_.errors.size();
  if (!presenter_.Invoke(control + "Click")) return Fail(1, control + " is not available at this point"), false;
  if (view_.errors.size() > before) return Fail(1, view_.errors.back()), false;
  return true;
}

bool FermiRoad::Save(const std::string& control, const std::string& kind, const std::string& field) {
  if (!Step(control)) return false;
  if (field.empty()) return Fail(1, control + " did not save a file"), false;
  r_.files.emplace_back(kind, field);
  return true;
}

bool FermiRoad::Run() { return Load() && ToFermiLevel(); }

bool FermiRoad::Load() {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::exists(input_, ec)) return Fail(2, "cannot open '" + input_ + "': no such file"), false;
  if (fs::is_directory(input_, ec)) return Fail(2, "cannot open '" + input_ + "': it is a folder"), false;
  view_.openAnswers.push_back(input_);
  const std::size_t before = view_.errors.size();
  presenter_.ButtonLoadExperimentalClick();
  if (view_.errors.size() > before) return Fail(2, "cannot read '" + input_ + "': " + view_.errors.back()), false;
  if (a_.DataCount < 2) return Fail(2, "cannot analyse '" + input_ + "': it holds fewer than two points"), false;
  r_.conductionType = a_.ConductionType;
  r_.semiconductor = a_.Semiconductor;
  return true;
}

bool FermiRoad::ToFermiLevel() {
  namespace fs = std::filesystem;
  // Without --outdir every file goes where the window proposes it: beside the measurement.
  if (!outdir_.empty()) {
    std::error_code ec;
    fs::create_directories(outdir_, ec);
    if (ec || !fs::is_directory(outdir_)) return Fail(2, "cannot use the output folder '" + outdir_ + "'"), false;
  }
  view_.AcceptProposedNames(outdir_);
  view_.SetText("EditSmoothness", FormatGeneral(road_.smoothness));
  if (!Step("ButtonCalcSpline") || !Save("ButtonSaveSpline", "spl", a_.AnalysisDataFile)) return false;
  if (!Step("ButtonInputChangeInformation")) return false;
  if (road_.mass) view_.SetText("EditMass", FormatGeneral(*road_.mass));
  if (road_.minima) view_.SetText("EditEquivalentMinima", FormatGeneral(*road_.minima));
  return Step("ButtonCalcEffectiveDensityOfStates") && Step("ButtonCalcFermiLevel") &&
         Save("ButtonSaveFermiLevel", "fl", a_.FermiLevelFile);
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
