// The donor-acceptor window "One Donor and One acceptor" (TFormConventionalAnalysis2):
// the net density typed by the user, the fitting range, the search of the compensating
// density, the results and the simulated n(T), the *.CNC file, two figures and printing;
// and the confirmation dialog (TFormOneDonorOneAcceptorConfirmation) that follows every
// successful evaluation.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "analyses/DonorAcceptor.h"
#include "core/Analysis.h"
#include "presenters/analyses/RangeWindowPresenter.h"
#include "presenters/common/View.h"

namespace korv::ui {

inline constexpr const char* kCncFilter =
    "One Donor and One Acceptor (*.CNC)|*.CNC|All Files (*.*)|*.*|Figure (*.bmp)|*.bmp";
inline constexpr const char* kDonorAcceptorChart1 = "ChartCAWithCom1";
inline constexpr const char* kDonorAcceptorChart2 = "ChartCAWithCom2";
inline constexpr const char* kNetDensityMissing = "Please input the net density.";
inline constexpr const char* kNetDensityTooSmall = "Please input a large number as the net density.";

namespace donoracceptor {
// ChartCAWithCom1
inline constexpr int kMeasured = 0;
inline constexpr int kHighEnd = 1;  // green cross at IndexHighestTemperature
inline constexpr int kLowEnd = 2;   // yellow cross at IndexLowestTemperature
inline constexpr int kSimulated = 3;
// ChartCAWithCom2
inline constexpr int kY = 0;
inline constexpr int kLine = 1;
}  // namespace donoracceptor

const std::vector<Control>& ConventionalAnalysis2Controls();
const std::vector<ChartSpec>& ConventionalAnalysis2Charts();
const std::vector<std::string>& ConventionalAnalysis2NTypeSet();
const std::vector<std::string>& ConventionalAnalysis2PTypeSet();

const std::vector<Control>& ConfirmationControls();

// The dialog's texts and pictures for the conduction type; "OK" closes it.
class OneDonorOneAcceptorConfirmationPresenter {
 public:
  explicit OneDonorOneAcceptorConfirmationPresenter(View& view);
  void Prepare(bool nType);
  void ButtonOKClick();

 private:
  View& view_;
};

class DonorAcceptorPresenter : public RangeWindowPresenter {
 public:
  DonorAcceptorPresenter(const Analysis& record, View& view);

  // The prepare step before every showing; throws korv::Error for a record the analysis
  // cannot work on.
  void PrepareWindow();

  void ButtonEvaluationClick();
  void ButtonSaveClick();
  void ButtonSaveFigureDonorAcceptor1Click();
  void ButtonSaveFigureDonorAcceptor2Click();
  void ButtonPrintClick();
  void ButtonHelpClick();

  // As OneImpurityPresenter::Invoke.
  bool Invoke(const std::string& handler);

  // The confirmation dialog, shown modally for the conduction type (true: n-type).
  std::function<void(bool nType)> showConfirmation;

  const conventional::DonorAcceptorAnalysis& Results() const { return a_; }

 private:
  conventional::FittingRange& range() override { return a_.Range(); }
  void clearResults() override;
  void showHighEnd() override;
  void showLowEnd() override;
  void writeResults(const std::string& path) override;
  const std::string& resultFileName() const override { return a_.CncFileName; }
  void fillY();

  conventional::DonorAcceptorAnalysis a_;
};

}  // namespace korv::ui
