// korv: the KORV window program. Start-up: the analysis record first, then the
// application title, then every window once, the main window first.
//
//   korv [--advanced] [measurement.nT | measurement.pT]
//
// A measurement file named on the command line is loaded as "Load Data" would load it.
// --guide-path prints where the help viewer finds the user's guide (for installs and packages).
// --advanced starts with DeveloperOptionsHidden = 0, which makes the Option menu (Normal
// and Advanced mode, the evaluation type and the function type) reachable.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>

#include "core/Analysis.h"
#include "ui/help/HtmlWindow.h"
#include "ui/main/MainWindow.h"
#include "ui/main/QtWindows.h"

int main(int argc, char* argv[]) {
  QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
  QApplication app(argc, argv);
  // The application title. No display name is set: Qt would append it to every window title,
  // and the captions of the windows are the program's own ("Korvan (KORV) by Telmar Lab.").
  QApplication::setApplicationName(QStringLiteral("KORV"));
  QApplication::setApplicationVersion(QStringLiteral("1.51"));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Korvan (KORV): dopant densities and energy levels from Hall-effect "
                     "measurements of the majority-carrier concentration."));
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption advanced(
      QStringLiteral("advanced"),
      QStringLiteral("Start with the Option menu shown, so that Advanced mode can be entered."));
  parser.addOption(advanced);
  QCommandLineOption guidePath(
      QStringLiteral("guide-path"),
      QStringLiteral("Print the path of the user's guide that the help viewer opens, and exit."));
  parser.addOption(guidePath);
  parser.addPositionalArgument(QStringLiteral("measurement"), QStringLiteral("A measurement file (*.nT or *.pT)."),
                               QStringLiteral("[measurement]"));
  parser.process(app);
  if (parser.isSet(guidePath)) {
    const QString guide = korv::ui::TFormHtml::DefaultHelpFile();
    if (guide.isEmpty()) {
      std::fputs("korv: the user's guide KORVWinHelp.html was not found\n", stderr);
      return 1;
    }
    std::printf("%s\n", qPrintable(guide));
    return 0;
  }

  Analysis& record = C;
  korv::ui::QtWindows windows;
  korv::ui::TFormMain main(record, windows, windows.Progress(), !parser.isSet(advanced));
  windows.CreateWindows(&main);
  windows.CreateDataWindows(record);
  windows.versionText = [&record] { return record.VersionInformation; };
  main.show();

  const QStringList files = parser.positionalArguments();
  if (!files.isEmpty()) {
    const QString file = files.first();
    QTimer::singleShot(0, &main, [&main, file] { main.LoadMeasurement(file); });
  }
  return app.exec();
}
