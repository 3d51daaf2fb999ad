#include "presenters/analyses/InformationPresenter.h"

#include <string>

#include "materials/SemiconductorTable.h"

namespace korv::ui {

namespace {

std::string numbered(const char* prefix, std::size_t i) { return prefix + std::to_string(i + 1); }

}  // namespace

const std::vector<Control>& InformationControls() {
  static const std::vector<Control> controls = [] {
    std::vector<Control> c{{kInformationGrid, ControlKind::Grid, ""},
                           {"GroupBoxReferences", ControlKind::GroupBox, "References"},
                           {"GroupBoxComments", ControlKind::GroupBox, "Comments"},
                           {"GroupBoxNotes", ControlKind::GroupBox, "Notes"}};
    for (std::size_t i = 0; i < korv::SemiconductorReferences().size(); ++i)
      c.push_back({numbered("LabelReference", i), ControlKind::Label, ""});
    for (std::size_t i = 0; i < korv::SemiconductorComments().size(); ++i)
      c.push_back({numbered("LabelComment", i), ControlKind::Label, ""});
    for (std::size_t i = 0; i < korv::SemiconductorNotes().size(); ++i)
      c.push_back({numbered("LabelNote", i), ControlKind::Label, ""});
    return c;
  }();
  return controls;
}

InformationPresenter::InformationPresenter(View& view) : view_(view) {
  view_.SetCaption(std::string(korv::kSemiconductorTableCaption));
  const auto refs = korv::SemiconductorReferences();
  for (std::size_t i = 0; i < refs.size(); ++i) view_.SetText(numbered("LabelReference", i), std::string(refs[i]));
  const auto comments = korv::SemiconductorComments();
  for (std::size_t i = 0; i < comments.size(); ++i)
    view_.SetText(numbered("LabelComment", i), std::string(comments[i]));
  const auto notes = korv::SemiconductorNotes();
  for (std::size_t i = 0; i < notes.size(); ++i) view_.SetText(numbered("LabelNote", i), std::string(notes[i]));
}

void InformationPresenter::FillTable() {
  const auto table = korv::SemiconductorTable();
  for (std::size_t r = 0; r < table.size(); ++r)
    for (std::size_t c = 0; c < table[r].size(); ++c)
      view_.SetCell(kInformationGrid, static_cast<int>(r), static_cast<int>(c), std::string(table[r][c]));
}

}  // namespace korv::ui
