// The file viewer window: a passive Qt face of EditorPresenter, with its menus and the
// context menu of the text.
#pragma once

#include <QMainWindow>
#include <memory>

class QPlainTextEdit;

namespace korv::ui {

class QtView;
class EditorPresenter;

class TFormEditor : public QMainWindow {
  Q_OBJECT

 public:
  explicit TFormEditor(QWidget* parent = nullptr);
  ~TFormEditor() override;

  // "File Viewer" of the main window: an empty text with no file, shown modeless.
  void ShowFromMain();
  EditorPresenter& Presenter() { return *presenter_; }

 private:
  QPlainTextEdit* text_ = nullptr;
  std::unique_ptr<QtView> view_;
  std::unique_ptr<EditorPresenter> presenter_;
};

}  // namespace korv::ui
