// korv: the KORV window program. Start-up: the analysis record first, then the
// application title, then every window once, the main window first.
//
//   korv [--advanced] [measurement.nT | measurement.pT]
//
// A measurement file named on the command line is loaded as "Load Data" would load it.
// --advanced starts with DeveloperOptionsHidden = 0, which makes the Option menu (Normal
// and Advanced mode, the evaluation type and the function type) reachable.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>

#include "core/Hallanalysis.h"
#include "main/Hall.h"
#include "main/Mainwindows.h"

int main(int argc, char* argv[]) {
  QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("KORV"));
  QApplication::setApplicationDisplayName(QStringLiteral("KORV"));
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
  parser.addPositionalArgument(QStringLiteral("measurement"), QStringLiteral("A measurement file (*.nT or *.pT)."),
                               QStringLiteral("[measurement]"));
  parser.process(app);

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
