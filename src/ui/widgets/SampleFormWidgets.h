// The Qt rows of the sample form (presenters/data/SampleForm.h), made from its one table.
#pragma once

#include <QGridLayout>
#include <QWidget>

#include "presenters/data/SampleForm.h"

namespace korv::ui {

// Adds the form's rows to `form` from `row` on, in three columns (label, control, unit),
// the widgets created in the window's order; `withInitialText` writes the controls'
// first texts into the edits. Returns the row after the last.
int AddSampleRows(QGridLayout* form, QWidget* parent, SampleLayout layout, bool withInitialText, int row = 0);

}  // namespace korv::ui
