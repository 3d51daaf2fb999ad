// The small windows (progress, caution, option dialogs, help viewer) and the generic
// Qt view they and the main window share.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QtTest>

#include "ui/data/AutomaticEvaluationTypeWindow.h"
#include "ui/data/DeepLevelWindow.h"
#include "ui/data/FunctionTypeWindow.h"
#include "ui/data/ProgressReportWindow.h"
#include "ui/data/RemarksDialog.h"
#include "ui/help/HtmlWindow.h"
#include "ui/widgets/Formulas.h"
#include "ui/widgets/QtView.h"

using namespace korv::ui;

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void progressWindowsMoveAndRepaintDuringACalculation() {
    TFormProgressReport main;
    TFormDetailedProgressReport detailed;
    QCOMPARE(main.windowTitle(), QString("Progress Report"));
    QCOMPARE(detailed.windowTitle(), QString("Detailed Progress Report"));
    QCOMPARE(main.Bar()->objectName(), QString("ProgressBar"));
    QCOMPARE(main.Bar()->maximum(), 100);
    ProgressWindows progress(&main, &detailed);
    korv::Progress& port = progress;
    // A label that counts its paint events shows that the window repaints while the loop runs.
    int paints = 0;
    struct Counter : QObject {
      int* count;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++*count;
        return false;
      }
    } counter;
    counter.count = &paints;
    main.Bar()->installEventFilter(&counter);

    port.Show(korv::ProgressBar::Main, 40);
    QVERIFY(main.isVisible());
    QCOMPARE(main.Bar()->maximum(), 40);
    QElapsedTimer busy;
    for (int i = 0; i < 45; ++i) {
      port.Step(korv::ProgressBar::Main);
      busy.start();
      while (busy.elapsed() < 4) {
      }  // a synchronous calculation between the steps
    }
    // Never past the maximum.
    QCOMPARE(progress.Position(korv::ProgressBar::Main), 40);
    QVERIFY2(paints >= 2, qPrintable(QString::number(paints)));
    port.Show(korv::ProgressBar::Detailed, 3);
    port.Step(korv::ProgressBar::Detailed, 2);
    QCOMPARE(progress.Position(korv::ProgressBar::Detailed), 2);
    port.Close(korv::ProgressBar::Main);
    port.Close(korv::ProgressBar::Detailed);
    QVERIFY(!main.isVisible() && !detailed.isVisible());
    // Before the windows exist the port does nothing.
    ProgressWindows none(nullptr, nullptr);
    none.Show(korv::ProgressBar::Main, 5);
    none.Step(korv::ProgressBar::Main);
  }

  void cautionShowsItsTextAndCloses() {
    TFormDeepLevel caution;
    QCOMPARE(caution.windowTitle(), QString("Caution"));
    QStringList texts;
    for (QLabel* label : caution.findChildren<QLabel*>())
      if (!label->text().isEmpty()) texts << label->text();
    QVERIFY(texts.contains("The simulated H1(T,E_ref)"));
    QVERIFY(texts.contains("might be different from the experimental H1(T,E_ref),"));
    QVERIFY(texts.contains(
        "Let's consider the influence of the excited states of the dopant on the majority-carrier concentraton."));
    auto* ok = caution.findChild<QPushButton*>("ButtonClose");
    QVERIFY(ok);
    QCOMPARE(ok->text(), QString("OK"));
    caution.show();
    ok->click();
    QVERIFY(!caution.isVisible());
    QCOMPARE(caution.result(), int(QDialog::Accepted));
  }

  void remarksShowTheirTextsAndReturnTheChoice() {
    korv::ui::RemarksDialog remarks;
    QCOMPARE(remarks.windowTitle(), QString("Remarks!"));
    korv::ui::RemarksTexts texts;
    texts.label = {"first", "second", "third", "fourth"};
    remarks.Prepare(texts);
    QCOMPARE(remarks.findChild<QLabel*>("Label3")->text(), QString("third"));
    remarks.show();
    remarks.findChild<QPushButton*>("ButtonEvaluationAgain")->click();
    QVERIFY(!remarks.isVisible());
    QCOMPARE(remarks.Choice(), korv::ui::RemarksChoice::EvaluationAgain);
    // A new preparation, closed without a button, counts as "Continue".
    remarks.Prepare(texts);
    remarks.show();
    remarks.close();
    QCOMPARE(remarks.Choice(), korv::ui::RemarksChoice::Continue);
  }

  void evaluationTypePassesEveryChangeAtOnce() {
    TFormAutomaticEvaluationType dialog;
    QCOMPARE(dialog.windowTitle(), QString("Automatic Evaluation Type"));
    QComboBox* combo = dialog.findChild<QComboBox*>("ComboBoxAutomaticEvaluationType");
    QVERIFY(combo && combo->isEditable());
    QCOMPARE(combo->count(), 4);
    QCOMPARE(combo->itemText(3), QString("Type-D"));
    QStringList seen;
    dialog.Prepare("Type-B", [&](const std::string& t) { seen << QString::fromStdString(t); });
    // Preparing shows the record's value without reporting it as a change.
    QCOMPARE(combo->currentText(), QString("Type-B"));
    QVERIFY(seen.isEmpty());
    combo->setCurrentIndex(2);
    combo->setEditText("Type-X");
    QCOMPARE(seen, QStringList({"Type-C", "Type-X"}));
  }

  void functionTypeReportsEveryClick() {
    TFormFunctionType dialog;
    QCOMPARE(dialog.windowTitle(), QString("Type of Function to be Evaluated"));
    QVERIFY(dialog.Function2()->isChecked());
    std::vector<int> clicks;
    dialog.Prepare(1, [&](int v) { clicks.push_back(v); });
    QVERIFY(dialog.Function1()->isChecked());
    QVERIFY(clicks.empty());
    dialog.Function2()->click();
    dialog.Function2()->click();  // the checked button again repeats the choice
    dialog.Function1()->click();
    QCOMPARE(clicks, (std::vector<int>{2, 2, 1}));
    // The formula pictures beside the buttons.
    QVERIFY(dialog.findChild<FormulaPicture*>("ImageFunctionS"));
    QVERIFY(dialog.findChild<FormulaPicture*>("ImageFunctionH")->text().contains("2.5"));
  }

  void helpViewerGoesBackAndForward() {
    QTemporaryDir dir;
    for (const char* name : {"a.html", "b.html"}) {
      QFile f(dir.filePath(name));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(QString("<html><body><h1>%1</h1><a href=\"b.html\">next</a></body></html>").arg(name).toUtf8());
    }
    TFormHtml help;
    auto* back = help.findChild<QPushButton*>("ButtonBack");
    auto* forward = help.findChild<QPushButton*>("ButtonForward");
    QCOMPARE(back->text(), QString("Back"));
    QCOMPARE(forward->text(), QString("Forward"));
    QVERIFY(!back->isEnabled());
    help.Navigate(dir.filePath("a.html"));
    QCOMPARE(help.Address().scheme(), QString("file"));
    help.Navigate("file://" + dir.filePath("b.html"));
    QVERIFY(back->isEnabled());
    back->click();
    QVERIFY(help.Address().toLocalFile().endsWith("a.html"));
    QVERIFY(forward->isEnabled());
    forward->click();
    QVERIFY(help.Address().toLocalFile().endsWith("b.html"));
    // A web address is offered as a link; the viewer does not fetch it.
    help.Navigate("https://example.org/korv");
    QVERIFY(help.Browser()->toPlainText().contains("https://example.org/korv"));
  }

  // The contents at the top list every section and subsection in order, each link reaches its
  // heading, and the numbers run on without gaps.
  void bundledGuideContentsListEverySection() {
    QFile guide(QStringLiteral(KORV_TEST_DATA "/../../docs/KORVWinHelp.html"));
    QVERIFY(guide.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(guide.readAll());
    const int contents = html.indexOf("<h2 id=\"contents\">");
    QVERIFY(contents > 0);
    const int contentsEnd = html.indexOf("</ul>\n\n", contents);
    QStringList links, headings;
    QRegularExpression link("<li><a href=\"#([^\"]+)\">([^<]*(?:<i>[^<]*</i>[^<]*)*)</a>");
    for (auto m = link.globalMatch(html.mid(contents, contentsEnd - contents)); m.hasNext();) {
      const auto one = m.next();
      links << one.captured(1) + " " + one.captured(2);
    }
    QRegularExpression heading("<h([23]) id=\"([^\"]+)\">(.*)</h\\1>");
    int section = 0, subsection = 0;
    for (auto m = heading.globalMatch(html, contentsEnd); m.hasNext();) {
      const auto one = m.next();
      headings << one.captured(2) + " " + one.captured(3);
      const QString number = one.captured(3).section(' ', 0, 0);
      if (one.captured(1) == "2") {
        QCOMPARE(number, QString("%1.").arg(++section));
        subsection = 0;
      } else {
        QCOMPARE(number, QString("%1.%2").arg(section).arg(++subsection));
      }
    }
    QVERIFY(section >= 11);
    QCOMPARE(links, headings);
    // No heading without an anchor, and no two anchors alike.
    QCOMPARE(html.count("<h3>"), 0);
    QCOMPARE(html.count("<h2>"), 0);
    QStringList ids;
    QRegularExpression id(" id=\"([^\"]+)\"");
    for (auto m = id.globalMatch(html); m.hasNext();) ids << m.next().captured(1);
    QCOMPARE(ids.removeDuplicates(), qsizetype(0));
    // Every link inside the guide reaches an anchor.
    QRegularExpression internal("href=\"#([^\"]+)\"");
    for (auto m = internal.globalMatch(html); m.hasNext();) {
      const QString target = m.next().captured(1);
      QVERIFY2(ids.contains(target), qPrintable(target));
    }
  }

  void bundledGuideCoversTheSteps() {
    QFile guide(QStringLiteral(KORV_TEST_DATA "/../../docs/KORVWinHelp.html"));
    QVERIFY(guide.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(guide.readAll());
    for (const char* part :
         {"Load Data", "Save (*.spl)", "Evaluation", "Simulation", "*.simH", "worked example", "--advanced"})
      QVERIFY2(html.contains(part), part);
    // The viewer shows it through a file:// address.
    TFormHtml help;
    help.resize(820, 640);
    help.Navigate(guide.fileName());
    QCOMPARE(help.Address().scheme(), QString("file"));
    QVERIFY(help.Browser()->toPlainText().contains("A worked example"));
    const QByteArray shots = qgetenv("KORV_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
      help.show();
      QTest::qWait(50);
      QDir().mkpath(shots);
      help.grab().save(QString("%1/help.png").arg(QString(shots)));
    }
  }

  void filtersBecomeQtNameFilters() {
    const std::string filter = "Experimental Data (*.nT or *.pT)|*.nT;*.pT|Data forAnalysis (*.spl)|*.spl";
    QCOMPARE(QtNameFilters(filter),
             QStringList({"Experimental Data (*.nT or *.pT) (*.nT *.pT)", "Data forAnalysis (*.spl) (*.spl)"}));
    QCOMPARE(DefaultSuffix(filter, 1), QString("nT"));
    QCOMPARE(DefaultSuffix(filter, 2), QString("spl"));
    QCOMPARE(DefaultSuffix(filter, 3), QString());
    QCOMPARE(DefaultSuffix("All (*.*)|*.*", 1), QString());
    // An entry of several types keeps the type of the proposed name, else its first one.
    const std::string several = "H1 (*.H1)|*.H1|Simulated (*.simH, *.simS)|*.simH;*.simS";
    QCOMPARE(DefaultSuffix(several, 2, "/data/sample.simS"), QString("simS"));
    QCOMPARE(DefaultSuffix(several, 2, "/data/sample.simH"), QString("simH"));
    QCOMPARE(DefaultSuffix(several, 2, "/data/sample.H1"), QString("simH"));
    QCOMPARE(DefaultSuffix(several, 2, ""), QString("simH"));
    QCOMPARE(DefaultSuffix("Obtained Results (*.datH, *.datS)|*.datH;*.datS", 1, "r.dats"), QString("datS"));
    QCOMPARE(QtNameFilters("odd|"), QStringList({"odd ()"}));
    // Figure dialogs offer more formats after the existing entries; others stay as they are.
    const std::string figures = WithFigureFormats("H1 (*.H1)|*.H1|Figure (*.bmp)|*.bmp");
    QCOMPARE(QtNameFilters(figures).size(), 5);
    QCOMPARE(QtNameFilters(figures)[1], QString("Figure (*.bmp) (*.bmp)"));
    QCOMPARE(DefaultSuffix(figures, 3), QString("png"));
    QCOMPARE(WithFigureFormats(filter), filter);
    QCOMPARE(WithFigureFormats(figures), figures);
  }

  void viewAddressesWidgetsMenusAndTabsByName() {
    QWidget root;
    root.setObjectName("Root");
    auto* layout = new QVBoxLayout(&root);
    auto* tabs = new QTabWidget(&root);
    tabs->setObjectName("Pages");
    auto* page = new QWidget;
    page->setObjectName("TabSheet1");
    tabs->addTab(page, "First");
    auto* page2 = new QWidget;
    page2->setObjectName("TabSheet2");
    tabs->addTab(page2, "Second");
    layout->addWidget(tabs);
    auto* button = new QPushButton("Save", page);
    button->setObjectName("ButtonSave");
    auto* edit = new QLineEdit("5000", page);
    edit->setObjectName("EditSmoothness");
    auto* group = new QGroupBox("Group", page);
    group->setObjectName("GroupBox1");
    auto* menu = new QMenu("File", &root);
    menu->setObjectName("FileMain");
    QAction* item = menu->addAction("Print");
    item->setObjectName("PrintMain");

    QtView view(&root);
    view.SetText("ButtonSave", "Save & Close");
    QCOMPARE(button->text(), QString("Save && Close"));
    QCOMPARE(view.Text("ButtonSave"), std::string("Save & Close"));
    view.SetEnabled("ButtonSave", false);
    QVERIFY(!view.IsEnabled("ButtonSave"));
    // A control on a tab in the background keeps its own visibility.
    view.SetVisible("ButtonSave", true);
    QVERIFY(view.IsVisible("ButtonSave"));
    view.SetVisible("ButtonSave", false);
    QVERIFY(!view.IsVisible("ButtonSave"));
    QCOMPARE(view.Text("EditSmoothness"), std::string("5000"));
    view.SetText("GroupBox1", "Calculate S1(T,E_ref)");
    QCOMPARE(group->title(), QString("Calculate S1(T,E_ref)"));
    view.SetText("TabSheet2", "S1(T,E_ref)");
    QCOMPARE(tabs->tabText(1), QString("S1(T,E_ref)"));
    QCOMPARE(view.Text("TabSheet2"), std::string("S1(T,E_ref)"));
    view.SetCurrentPage("Pages", "TabSheet2");
    QCOMPARE(tabs->currentIndex(), 1);
    view.SetVisible("FileMain", false);
    QVERIFY(!menu->menuAction()->isVisible());
    view.SetEnabled("PrintMain", false);
    QVERIFY(!item->isEnabled());
    QCOMPARE(view.Text("PrintMain"), std::string("Print"));
    view.SetCaption("KORV");
    QCOMPARE(root.windowTitle(), QString("KORV"));
    // An unknown name is reported and ignored.
    QTest::ignoreMessage(QtCriticalMsg, "KORV: the window Root has no control ButtonNone");
    view.SetEnabled("ButtonNone", true);
  }

  void aBusyWindowTakesNoClicks() {
    QWidget root;
    auto* button = new QPushButton("Calculation", &root);
    button->setObjectName("ButtonCalc");
    root.show();
    int clicks = 0;
    connect(button, &QPushButton::clicked, [&] { ++clicks; });
    QtView view(&root);
    view.SetCursor(Cursor::Busy);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClick(button, Qt::Key_Space);
    view.SetCursor(Cursor::Normal);
    QCOMPARE(clicks, 0);
    QVERIFY(!QApplication::overrideCursor());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(clicks, 1);
    // Busy twice needs one normal only.
    view.SetCursor(Cursor::Busy);
    view.SetCursor(Cursor::Busy);
    view.SetCursor(Cursor::Normal);
    QVERIFY(!QApplication::overrideCursor());
  }

  void formulaPicturesFollowTheirNames() {
    QVERIFY(FormulaHtml("ImageH1n").contains("<i>n</i>(<i>T</i>)<sup>2</sup>"));
    QVERIFY(FormulaHtml("ImageH1p").contains("<i>p</i>(<i>T</i>)<sup>2</sup>"));
    QVERIFY(FormulaHtml("ImageS2").startsWith("S<sub>2</sub>"));
    QVERIFY(FormulaHtml("ImageH3n").contains("<i>N</i><sub>D2</sub><sup>+</sup>"));
    QVERIFY(FormulaHtml("ImageH2ComN").contains("<sub>A</sub>"));
    QVERIFY(FormulaHtml("ImageH2ComP").contains("<sub>D</sub>"));
    QVERIFY(FormulaHtml("ImageSND2").contains("<sub>D2</sub>"));
    QVERIFY(FormulaHtml("ImageH3DEA1").contains("&Delta;"));
    QVERIFY(FormulaHtml("ImageNV0kT32").contains("<sub>V</sub>"));
    QVERIFY(!FormulaToolTip("ImageH2n").isEmpty());
    QVERIFY(FormulaToolTip("ImageH1n").isEmpty());
    FormulaPicture picture("ImageFermiLevelP");
    QCOMPARE(picture.objectName(), QString("ImageFermiLevelP"));
    QCOMPARE(picture.textFormat(), Qt::RichText);
  }
};

QTEST_MAIN(DialogsTest)
#include "test_dialogs.moc"
