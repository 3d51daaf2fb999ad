// The command boundary every window's commands run in, the registry of a window's
// handlers and the running of one by its name, and what the commands share around files:
// the proposed names, the load and save of a file named in the record, the saving of a
// chart as a figure.
#pragma once

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>

#include "presenters/common/View.h"

namespace korv::ui {

// A window's commands by the name of their handler ("ButtonSaveDHESClick").
using HandlerRegistry = std::map<std::string, std::function<void()>>;

// Runs one command. An error of the data ends it: a korv::Error or any other
// std::exception, an index out of range inside a calculation included. Then `onError`
// (may be empty) runs, the progress windows close, the cursor goes back to normal and the
// message is shown in an error box. Any other std::logic_error (an unknown control name)
// is a fault of the window: the cursor goes back to normal and the exception goes on.
// The cursor is normal after every command.
void RunCommand(View& view, const std::function<void()>& body, const std::function<void()>& onError = nullptr);

// The registry of `presenter`'s handlers, each a member function without arguments.
template <class Presenter>
HandlerRegistry MemberHandlers(Presenter* presenter,
                               std::initializer_list<std::pair<const char*, void (Presenter::*)()>> handlers) {
  HandlerRegistry registry;
  for (const auto& [name, method] : handlers) registry[name] = [presenter, method = method] { (presenter->*method)(); };
  return registry;
}

// The container a control sits in, "" at the top of the window.
using ParentOf = std::function<std::string(const std::string& control)>;

// Runs the handler of that name ("ButtonSaveClick") from `handlers` as a click on its
// control would: when the control is enabled and it and every container `parentOf`
// names above it are shown; false, doing nothing, otherwise. Without `parentOf` only the
// control itself is looked at. Throws std::invalid_argument for a name that is no handler.
bool InvokeHandler(View& view, const HandlerRegistry& handlers, const std::string& handler,
                   const ParentOf& parentOf = nullptr);

// `path` with its extension (and the dot) replaced by `replacement`: (".spl") gives the
// next stage's file, ("Con1.bmp") a figure name. A name without extension gets it appended.
std::string ReplaceExtension(const std::string& path, const std::string& replacement);

// The file name has an extension: a dot after the last folder separator.
bool HasExtension(const std::string& path);

// Runs a writer with `field` (the record's name of that file) set to `path`; a writer
// that fails gets the old name back and an error box naming the file.
bool SaveTo(View& view, std::string& field, const std::string& path, const std::function<bool()>& writer);

// Runs a reader with `field` set to `path`; a reader that fails gets the old name back,
// and its error names the file.
bool LoadFrom(std::string& field, const std::string& path, const std::function<bool()>& reader);

// Asks for the figure's file and saves the chart's image there; an error box when it
// could not be written. True when the figure was saved.
bool SaveChartFigure(View& view, const FileDialog& dialog, const std::string& chart);

}  // namespace korv::ui
