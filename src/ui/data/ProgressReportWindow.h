// "Progress Report" and "Detailed Progress Report": the two bars the long calculations
// move, and ProgressWindows, the engine's Progress port over them. The calculations run on
// the GUI thread, so every step repaints the bars and lets the windows redraw, holding back
// the user's input until the command has ended.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include "core/Ports.h"

class QProgressBar;

namespace korv::ui {

class TFormProgressReport : public QDialog {
  Q_OBJECT

 public:
  explicit TFormProgressReport(QWidget* parent = nullptr, const QString& caption = QStringLiteral("Progress Report"),
                               const QString& name = QStringLiteral("FormProgressReport"));
  QProgressBar* Bar() const { return bar_; }

 private:
  QProgressBar* bar_;
};

class TFormDetailedProgressReport : public TFormProgressReport {
  Q_OBJECT

 public:
  explicit TFormDetailedProgressReport(QWidget* parent = nullptr);
};

class ProgressWindows final : public korv::Progress {
 public:
  ProgressWindows(TFormProgressReport* main, TFormDetailedProgressReport* detailed);
  void SetWindows(TFormProgressReport* main, TFormDetailedProgressReport* detailed) {
    main_ = main;
    detailed_ = detailed;
  }

  void Show(korv::ProgressBar bar, int maximum) override;
  void Step(korv::ProgressBar bar, int steps = 1) override;
  void Close(korv::ProgressBar bar) override;

  // Steps taken since the window was last shown (for checks).
  int Position(korv::ProgressBar bar) const;

 private:
  TFormProgressReport* Window(korv::ProgressBar bar) const;
  // Repaints the bars and lets queued paint events run, at most every few milliseconds so
  // that fast loops are not slowed down by drawing.
  void Pump(bool force);

  TFormProgressReport* main_;
  TFormDetailedProgressReport* detailed_;
  QElapsedTimer sincePump_;
};

}  // namespace korv::ui
