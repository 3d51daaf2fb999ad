// The rest of the program as the main window sees it: the side windows and modal dialogs
// behind korv::ui::Windows. The program creates this object, then the main window, then
// (CreateWindows) every other window once; they stay hidden until a command shows them.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <memory>

#include "core/Analysis.h"
#include "presenters/common/Windows.h"
#include "ui/data/ProgressReportWindow.h"

class QWidget;
class QDialog;

namespace korv::ui {

class TFormHtml;
class TFormAbout;
class TFormDeepLevel;
class TFormAutomaticEvaluationType;
class TFormFunctionType;
class RemarksDialog;
class TFormHowToInput;
class TFormDataSheet;
class TFormConvert;
class TFormEditor;
class TFormObtainedResults;
class TFormSampleCondition;
class TFormInformation;
class TFormConventionalAnalysis;
class TFormConventionalAnalysis2;
class TFormOneDonorOneAcceptorConfirmation;
class TFormCurveFitting;

class QtWindows : public Windows {
 public:
  QtWindows();
  ~QtWindows() override;

  // Creates the dialogs and the help viewer; `main` is the main window (the owner of
  // modal boxes and the image "Print" puts on the page).
  void CreateWindows(QWidget* main);
  // Creates the data-entry, report and reference windows over `record`: the data-source
  // dialog, data sheet, conversion, file viewer, results, sample condition and the
  // semiconductor table, and registers the modeless ones; likewise the curve-fitting window.
  void CreateDataWindows(Analysis& record);
  TFormDataSheet* DataSheet() const { return dataSheet_; }
  TFormConvert* Conversion() const { return convert_; }
  TFormHowToInput* HowToInput() const { return howToInput_; }
  // Creates the one-impurity and donor-acceptor windows (with the confirmation dialog)
  // over `record` and registers them; CreateDataWindows calls it.
  void CreateConventionalWindows(Analysis& record);
  TFormConventionalAnalysis* OneImpurity() const { return oneImpurity_; }
  TFormConventionalAnalysis2* DonorAcceptor() const { return donorAcceptor_; }
  TFormOneDonorOneAcceptorConfirmation* Confirmation() const { return confirmation_; }
  TFormCurveFitting* CurveFitting() const { return curveFitting_; }

  // A side window built elsewhere: `show` prepares and shows it, `close` hides it.
  void Register(Window w, std::function<void()> show, std::function<void()> close,
                std::function<bool()> shown = nullptr);

  korv::Progress& Progress() { return progress_; }
  ProgressWindows& ProgressWindowsPort() { return progress_; }

  TFormHtml* Help() const { return help_; }
  TFormAbout* About() const { return about_; }
  TFormDeepLevel* Caution() const { return caution_; }
  TFormAutomaticEvaluationType* AutomaticEvaluationType() const { return evaluationType_; }
  TFormFunctionType* FunctionType() const { return functionType_; }
  TFormProgressReport* ProgressReport() const { return progressReport_; }
  TFormDetailedProgressReport* DetailedProgressReport() const { return detailedReport_; }
  // Version line the about box shows.
  std::function<std::string()> versionText;

  void Show(Window w) override;
  void Close(Window w) override;
  void RefreshSampleCondition() override;
  void RebuildObtainedResults() override;
  void ResetObtainedResults() override;
  DataSource AskDataSource() override;
  bool ShowDataSheet(bool keyboardEntry) override;
  bool ShowConversion() override;
  RemarksChoice ShowRemarks(const RemarksTexts& remarks) override;
  void ShowCaution() override;
  void ShowAutomaticEvaluationType(const std::string& current,
                                   const std::function<void(const std::string&)>& changed) override;
  void ShowFunctionType(int current, const std::function<void(int)>& chosen) override;
  void ShowAbout() override;
  void ShowHelpAddress(const std::string& address) override;
  bool PrintMainWindow() override;
  void CloseMainWindow() override;

  // Modal dialogs run through this hook when set (tests answer them without an event loop).
  std::function<void(QWidget* dialog)> runModal;

 private:
  struct SideWindow {
    std::function<void()> show, close;
    std::function<bool()> shown;
  };
  void Exec(QWidget* dialog);

  QPointer<QWidget> main_;
  TFormProgressReport* progressReport_ = nullptr;
  TFormDetailedProgressReport* detailedReport_ = nullptr;
  ProgressWindows progress_{nullptr, nullptr};
  TFormHtml* help_ = nullptr;
  TFormAbout* about_ = nullptr;
  TFormDeepLevel* caution_ = nullptr;
  TFormAutomaticEvaluationType* evaluationType_ = nullptr;
  TFormFunctionType* functionType_ = nullptr;
  RemarksDialog* remarks_ = nullptr;
  TFormHowToInput* howToInput_ = nullptr;
  TFormDataSheet* dataSheet_ = nullptr;
  TFormConvert* convert_ = nullptr;
  TFormEditor* editor_ = nullptr;
  TFormObtainedResults* results_ = nullptr;
  TFormSampleCondition* sampleCondition_ = nullptr;
  TFormInformation* information_ = nullptr;
  TFormConventionalAnalysis* oneImpurity_ = nullptr;
  TFormConventionalAnalysis2* donorAcceptor_ = nullptr;
  TFormOneDonorOneAcceptorConfirmation* confirmation_ = nullptr;
  TFormCurveFitting* curveFitting_ = nullptr;
  // Runs a modal dialog through `runModal` when set, else its own exec.
  std::function<void(QDialog*)> modalHook();
  std::map<Window, SideWindow> side_;
  std::vector<std::unique_ptr<QWidget>> owned_;
};

}  // namespace korv::ui
