// The two ports through which engine operations talk to whoever drives them:
// progress of long calculations and the message boxes they show. The engine
// never knows who listens; a window, the command-line tool or a test does.
#pragma once

#include <string>

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
