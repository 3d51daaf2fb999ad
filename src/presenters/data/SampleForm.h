// The sample form of the data sheet and the conversion window: the eleven fields of the
// sample block, one table of {control, label, member} from which the control lists, the
// copies between form and record and the Qt form rows are made.
#pragma once

#include <string>
#include <vector>

#include "core/Analysis.h"
#include "core/HeaderBlocks.h"
#include "core/TextEncoding.h"
#include "presenters/common/View.h"

namespace korv::ui {

enum class SampleInput { Text, Choice, Number };

// One row of the form: an optional heading above it, its label, its control with the
// control's first text, an optional unit label, and the member of the block it edits.
struct SampleField {
  const char* heading;  // nullptr: no heading row above
  const char* headingCaption;
  const char* label;
  const char* caption;
  const char* control;
  const char* initial;
  const char* unit;  // nullptr: no unit
  const char* unitCaption;
  SampleInput input;
  std::string header::SampleBlock::*text;  // Text and Choice
  double header::SampleBlock::*number;     // Number
};

// The windows that show the form; they order some rows and word one label differently.
enum class SampleLayout { DataSheet, Conversion };

// The rows in the order and with the captions of the window.
std::vector<SampleField> SampleFields(SampleLayout layout);

// The form's controls, in the window's order, appended to `controls`.
void AppendSampleControls(std::vector<Control>& controls, SampleLayout layout);

// The block as the form holds it; a number edit that does not hold a number throws
// korv::Error. The comment is cut to the 100 characters a file keeps, never inside one.
header::SampleBlock ReadSampleForm(const View& view);
// The encoding of the record's sample texts: Windows-1252 when any of them is not UTF-8.
korv::TextEncoding SampleEncoding(const Analysis& record);
// The block's texts from the form's UTF-8 back into `encoding`, so that what the user left
// alone keeps its bytes; false, with `message` naming the character, when one cannot be held.
bool SampleToEncoding(header::SampleBlock& block, korv::TextEncoding encoding, std::string& message);
// The record's sample block and remark into the form's controls, or into its labels:
// the sample-condition window shows the values in labels of those names.
enum class SampleColumn { Control, Label };
// The texts are shown decoded from `encoding`.
void ShowSample(View& view, const Analysis& record, SampleColumn column = SampleColumn::Control,
                korv::TextEncoding encoding = korv::TextEncoding::Utf8);
// Every control of the form back to its first text.
void ClearSampleForm(View& view, SampleLayout layout);

}  // namespace korv::ui
