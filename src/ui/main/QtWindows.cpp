#include "ui/main/QtWindows.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QWidget>

#include "presenters/analyses/DonorAcceptorPresenter.h"
#include "presenters/analyses/OneImpurityPresenter.h"
#include "presenters/data/ObtainedResultsPresenter.h"
#include "presenters/data/SampleConditionPresenter.h"
#include "ui/analyses/CurveFittingWindow.h"
#include "ui/analyses/DhesWindow.h"
#include "ui/analyses/DonorAcceptorWindow.h"
#include "ui/analyses/ExcitedStatesWindow.h"
#include "ui/analyses/InformationWindow.h"
#include "ui/analyses/OneDonorOneAcceptorConfirmationWindow.h"
#include "ui/analyses/OneImpurityWindow.h"
#include "ui/data/AutomaticEvaluationTypeWindow.h"
#include "ui/data/ConvertWindow.h"
#include "ui/data/DataSheetWindow.h"
#include "ui/data/DeepLevelWindow.h"
#include "ui/data/EditorWindow.h"
#include "ui/data/FunctionTypeWindow.h"
#include "ui/data/HowToInputWindow.h"
#include "ui/data/ObtainedResultsWindow.h"
#include "ui/data/RemarksDialog.h"
#include "ui/data/SampleConditionWindow.h"
#include "ui/help/HtmlWindow.h"
#include "ui/widgets/PrintImage.h"
#include "ui/widgets/QtView.h"

namespace korv::ui {

QtWindows::QtWindows() = default;
QtWindows::~QtWindows() = default;

void QtWindows::CreateWindows(QWidget* main) {
  main_ = main;
  // Top-level windows of their own: their object names never mix with the main window's.
  auto own = [this](auto* window) {
    owned_.emplace_back(window);
    return window;
  };
  progressReport_ = own(new TFormProgressReport);
  detailedReport_ = own(new TFormDetailedProgressReport);
  progress_.SetWindows(progressReport_, detailedReport_);
  help_ = own(new TFormHtml);
  about_ = own(new TFormAbout);
  caution_ = own(new TFormDeepLevel);
  evaluationType_ = own(new TFormAutomaticEvaluationType);
  functionType_ = own(new TFormFunctionType);
  remarks_ = own(new RemarksDialog);
}

void QtWindows::Register(Window w, std::function<void()> show, std::function<void()> close,
                         std::function<bool()> shown) {
  side_[w] = SideWindow{std::move(show), std::move(close), std::move(shown)};
}

void QtWindows::Exec(QWidget* dialog) {
  if (!dialog) return;
  if (runModal) {
    runModal(dialog);
    return;
  }
  if (auto* modal = qobject_cast<QDialog*>(dialog)) modal->exec();
}

void QtWindows::Show(Window w) {
  if (w == Window::Help) {
    if (help_) help_->ShowHelp();
    return;
  }
  auto it = side_.find(w);
  if (it != side_.end() && it->second.show) it->second.show();
}

void QtWindows::Close(Window w) {
  if (w == Window::Help) {
    if (help_) help_->hide();
    return;
  }
  auto it = side_.find(w);
  if (it != side_.end() && it->second.close) it->second.close();
}

void QtWindows::CreateDataWindows(Analysis& record) {
  auto own = [this](auto* window) {
    owned_.emplace_back(window);
    return window;
  };
  howToInput_ = own(new TFormHowToInput);
  dataSheet_ = own(new TFormDataSheet(record));
  convert_ = own(new TFormConvert(record));
  editor_ = own(new TFormEditor);
  results_ = own(new TFormObtainedResults(record));
  sampleCondition_ = own(new TFormSampleCondition(record));
  information_ = own(new TFormInformation);
  auto raise = [](QWidget* w) {
    w->show();
    w->raise();
  };
  Register(
      Window::FileViewer, [this] { editor_->ShowFromMain(); }, [this] { editor_->hide(); },
      [this] { return editor_->isVisible(); });
  Register(
      Window::SampleCondition,
      [this, raise] {
        sampleCondition_->Presenter().Refresh();
        raise(sampleCondition_);
      },
      [this] { sampleCondition_->hide(); }, [this] { return sampleCondition_->isVisible(); });
  Register(
      Window::ObtainedResults,
      [this, raise] {
        results_->Presenter().Clear();
        raise(results_);
        results_->Presenter().Build();
      },
      [this] { results_->hide(); }, [this] { return results_->isVisible(); });
  auto* dhes = own(new TFormDHES(record));
  dhes->showHelp = [this] { ShowHelpAddress("KORVWinHelp.html#dhes"); };
  Register(
      Window::Dhes, [dhes] { dhes->PrepareAndShow(); }, [dhes] { dhes->hide(); }, [dhes] { return dhes->isVisible(); });
  // The excited-states window: prepared every time it is opened; closing it runs its closing step.
  auto* excited = own(new TFormExcitedStates(record, *this, progress_));
  Register(
      Window::ExcitedStates, [excited] { excited->PrepareAndShow(); }, [excited] { excited->close(); },
      [excited] { return excited->isVisible(); });
  Register(
      Window::InformationSemiconductor, [this] { information_->FillAndShow(); }, [this] { information_->hide(); },
      [this] { return information_->isVisible(); });
  // Prepared from the record every time it is shown.
  curveFitting_ = own(new TFormCurveFitting(record, &progress_));
  Register(
      Window::CurveFitting, [this] { curveFitting_->PrepareAndShow(); }, [this] { curveFitting_->hide(); },
      [this] { return curveFitting_->isVisible(); });
  CreateConventionalWindows(record);
}

void QtWindows::CreateConventionalWindows(Analysis& record) {
  auto own = [this](auto* window) {
    owned_.emplace_back(window);
    return window;
  };
  oneImpurity_ = own(new TFormConventionalAnalysis(record));
  donorAcceptor_ = own(new TFormConventionalAnalysis2(record));
  confirmation_ = own(new TFormOneDonorOneAcceptorConfirmation);
  oneImpurity_->Presenter().showHelp = [this] { ShowHelpAddress("KORVWinHelp.html#one-impurity"); };
  donorAcceptor_->Presenter().showHelp = [this] { ShowHelpAddress("KORVWinHelp.html#donor-acceptor"); };
  donorAcceptor_->Presenter().showConfirmation = [this](bool nType) {
    confirmation_->Presenter().Prepare(nType);
    Exec(confirmation_);
  };
  Register(
      Window::OneImpurity, [this] { oneImpurity_->PrepareAndShow(); }, [this] { oneImpurity_->hide(); },
      [this] { return oneImpurity_->isVisible(); });
  Register(
      Window::DonorAcceptor, [this] { donorAcceptor_->PrepareAndShow(); }, [this] { donorAcceptor_->hide(); },
      [this] { return donorAcceptor_->isVisible(); });
}

std::function<void(QDialog*)> QtWindows::modalHook() {
  if (!runModal) return nullptr;
  return [this](QDialog* dialog) { runModal(dialog); };
}

void QtWindows::RefreshSampleCondition() {
  if (sampleCondition_) sampleCondition_->Presenter().Refresh();
}

void QtWindows::RebuildObtainedResults() {
  if (!results_) return;
  results_->Presenter().Clear();
  results_->Presenter().Build();
}

void QtWindows::ResetObtainedResults() {
  if (!results_) return;
  results_->Presenter().Clear();
  results_->Presenter().ShowTemplate();
}

DataSource QtWindows::AskDataSource() { return howToInput_ ? howToInput_->Ask(modalHook()) : DataSource::None; }
bool QtWindows::ShowDataSheet(bool keyboardEntry) { return dataSheet_ && dataSheet_->Run(keyboardEntry, modalHook()); }
bool QtWindows::ShowConversion() { return convert_ && convert_->Run(modalHook()); }

RemarksChoice QtWindows::ShowRemarks(const RemarksTexts& remarks) {
  if (!remarks_) return RemarksChoice::Continue;
  remarks_->Prepare(remarks);
  Exec(remarks_);
  return remarks_->Choice();
}

void QtWindows::ShowCaution() { Exec(caution_); }

void QtWindows::ShowAutomaticEvaluationType(const std::string& current,
                                            const std::function<void(const std::string&)>& changed) {
  if (!evaluationType_) return;
  evaluationType_->Prepare(current, changed);
  Exec(evaluationType_);
  evaluationType_->Prepare(current, nullptr);
}

void QtWindows::ShowFunctionType(int current, const std::function<void(int)>& chosen) {
  if (!functionType_) return;
  functionType_->Prepare(current, chosen);
  Exec(functionType_);
  functionType_->Prepare(current, nullptr);
}

void QtWindows::ShowAbout() {
  if (!about_) return;
  if (versionText) about_->SetVersion(QString::fromStdString(versionText()));
  Exec(about_);
}

void QtWindows::ShowHelpAddress(const std::string& address) {
  if (!help_) return;
  // A bare page name is one of the pages that come with the program, beside the help file.
  // "page#section" opens the page at that section.
  QString page = QString::fromStdString(address);
  QString section;
  if (!page.contains(QStringLiteral("://")) && page.contains(u'#')) {
    section = page.section(u'#', 1);
    page = page.section(u'#', 0, 0);
  }
  if (!page.contains(QStringLiteral("://")) && QFileInfo(page).isRelative()) {
    const QString help = TFormHtml::DefaultHelpFile();
    if (!help.isEmpty()) page = QFileInfo(help).dir().filePath(page);
    if (!QFileInfo::exists(page)) page = help;
  }
  if (page.isEmpty()) {  // no guide found: the viewer still opens, empty, with its open button
    help_->ShowHelp();
    return;
  }
  if (!section.isEmpty() && !page.contains(QStringLiteral("://"))) {
    QUrl url = QUrl::fromLocalFile(QFileInfo(page).absoluteFilePath());
    url.setFragment(section);
    page = url.toString();
  }
  help_->Navigate(page);
  help_->show();
  help_->raise();
}

bool QtWindows::PrintMainWindow() { return main_ && PrintWindowImage(main_, QStringLiteral("KORV")); }

void QtWindows::CloseMainWindow() {
  if (main_) main_->close();
}

}  // namespace korv::ui
