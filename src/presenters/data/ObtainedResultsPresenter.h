// The results window "Obtained Results" (TFormObtainedResults): the 21-line report of the
// analysis in a read-only text, saved as *.datH or *.datS or printed from its toolbar.
#pragma once

#include <string>
#include <vector>

#include "core/Analysis.h"
#include "core/TextEncoding.h"
#include "presenters/common/View.h"

namespace korv::ui {

inline constexpr const char* kObtainedResultsCaption = "Obtained Results";
inline constexpr const char* kResultsText = "RichEditResults";
inline constexpr const char* kResultsFilter = "Obtained Results (*.datH, *.datS)|*.datH;*.datS|All Files (*.*)|*.*";
// Added to a chosen name that has no extension.
inline constexpr const char* kResultsDefaultExtension = ".dat";

const std::vector<Control>& ObtainedResultsControls();

class ObtainedResultsPresenter {
 public:
  // Starts with the template text.
  ObtainedResultsPresenter(const Analysis& record, View& view);

  // The labels with empty values (at creation and after "All Clear").
  void ShowTemplate();
  // Empties the text.
  void Clear();
  // The report of the record as it stands now.
  void Build();

  void ToolSaveClick();
  void ToolPrintClick();

  const std::string& SavedPath() const { return path_; }

 private:
  void show(const std::vector<std::string>& lines);

  const Analysis& record_;
  View& view_;
  std::string path_;
  // The encoding of the record's texts in the report: the file is written in it, so a
  // Windows-1252 sample name stays Windows-1252.
  korv::TextEncoding encoding_ = korv::TextEncoding::Utf8;
};

}  // namespace korv::ui
