// The two ports through which engine operations talk to whoever drives them:
// progress of long calculations and the message boxes they show. The engine
// never knows who listens; a window, the command-line tool or a test does.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace korv {

// "Progress Report" is the main bar, "Detailed Progress Report" the inner one.
enum class ProgressBar { Main, Detailed };

class Progress {
 public:
  virtual ~Progress() = default;
  // Shows the window with its bar at position 0 of `maximum` steps.
  virtual void Show(ProgressBar bar, int maximum) = 0;
  // Advances the bar by `steps` (never past its maximum).
  virtual void Step(ProgressBar bar, int steps = 1) = 0;
  virtual void Close(ProgressBar bar) = 0;
};

class Messages {
 public:
  virtual ~Messages() = default;
  // Error style box with one "OK".
  virtual void Error(const std::string& text) = 0;
  // Confirmation style box (question icon) with one "OK".
  virtual void Notice(const std::string& text) = 0;
};

// Closes the bars an operation showed on every way out of it, or earlier by Close().
class ProgressCloser {
 public:
  ProgressCloser(Progress& progress, std::initializer_list<ProgressBar> bars) : progress_(progress), bars_(bars) {}
  ProgressCloser(const ProgressCloser&) = delete;
  ProgressCloser& operator=(const ProgressCloser&) = delete;
  ~ProgressCloser() { Close(); }

  // Closes the bars now, in the order named; later calls and the destructor do nothing.
  void Close() {
    if (closed_) return;
    closed_ = true;
    for (ProgressBar bar : bars_) progress_.Close(bar);
  }

 private:
  Progress& progress_;
  std::vector<ProgressBar> bars_;
  bool closed_ = false;
};

// Ports that go nowhere, for records nobody watches.
class NullProgress final : public Progress {
 public:
  void Show(ProgressBar, int) override {}
  void Step(ProgressBar, int) override {}
  void Close(ProgressBar) override {}
};

class NullMessages final : public Messages {
 public:
  void Error(const std::string&) override {}
  void Notice(const std::string&) override {}
};

}  // namespace korv
