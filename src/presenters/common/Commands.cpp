#include "presenters/common/Commands.h"

#include <stdexcept>

#include "core/Error.h"

namespace korv::ui {

void RunCommand(View& view, const std::function<void()>& body, const std::function<void()>& onError) {
  auto failed = [&](const std::exception& e) {
    if (onError) onError();
    view.ProgressPort().Close(korv::ProgressBar::Detailed);
    view.ProgressPort().Close(korv::ProgressBar::Main);
    view.SetCursor(Cursor::Normal);
    view.ShowError(e.what());
  };
  try {
    body();
  } catch (const std::out_of_range& e) {
    failed(e);  // an index out of range inside a calculation fails the command like any other error
  } catch (const std::logic_error&) {
    view.SetCursor(Cursor::Normal);
    throw;  // an unknown control name: a fault of the window, not of the data
  } catch (const std::exception& e) {
    failed(e);
  }
  view.SetCursor(Cursor::Normal);
}

bool InvokeHandler(View& view, const HandlerRegistry& handlers, const std::string& handler, const ParentOf& parentOf) {
  const auto it = handlers.find(handler);
  if (it == handlers.end()) throw std::invalid_argument("No command named '" + handler + "'");
  // An item of a hidden menu or a button on a hidden page cannot be clicked.
  std::string control = handler.substr(0, handler.size() - 5);  // without "Click"
  if (!view.IsEnabled(control)) return false;
  while (!control.empty()) {
    if (!view.IsVisible(control)) return false;
    control = parentOf ? parentOf(control) : "";
  }
  it->second();
  return true;
}

bool HasExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.find_last_of('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
}

std::string ReplaceExtension(const std::string& path, const std::string& replacement) {
  const auto slash = path.find_last_of("/\\");
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + replacement;
  return path.substr(0, dot) + replacement;
}

bool SaveTo(View& view, std::string& field, const std::string& path, const std::function<bool()>& writer) {
  const std::string old = field;
  field = path;
  bool ok = false;
  try {
    ok = writer();
  } catch (...) {
    field = old;
    throw;
  }
  if (!ok) {
    field = old;
    view.ShowError("The file " + path + " could not be written.");
  }
  return ok;
}

bool LoadFrom(std::string& field, const std::string& path, const std::function<bool()>& reader) {
  const std::string old = field;
  field = path;
  bool ok = false;
  try {
    ok = reader();
  } catch (const std::exception& e) {
    field = old;
    // The reader's message names the file when it does not already.
    const std::string message = e.what();
    if (message.find(path) != std::string::npos) throw;
    throw korv::Error("The file " + path + " could not be read: " + message);
  } catch (...) {
    field = old;
    throw;
  }
  if (!ok) field = old;
  return ok;
}

bool SaveChartFigure(View& view, const FileDialog& dialog, const std::string& chart) {
  const auto path = view.AskSaveFile(dialog);
  if (!path) return false;
  std::string error;
  if (!view.SaveChartImage(chart, *path, error)) {
    view.ShowError(error.empty() ? "The file " + *path + " could not be written." : error);
    return false;
  }
  return true;
}

}  // namespace korv::ui
