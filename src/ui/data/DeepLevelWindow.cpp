#include "ui/data/DeepLevelWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace korv::ui {

TFormDeepLevel::TFormDeepLevel(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormDeepLevel"));
  setWindowTitle(QStringLiteral("Caution"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  row->addWidget(icon);
  auto* text = new QVBoxLayout;
  const char* lines[][2] = {
      {"Label1", "The simulated H1(T,E_ref)"},
      {"Label2", "might be different from the experimental H1(T,E_ref),"},
      {"Label3", "while the simulated concentration  may be in good agreement with the experimental concentration. "},
      {"Label4",
       // sic: the window's own text, misspelling included
       "Let's consider the influence of the excited states of the dopant on the majority-carrier concentraton."},
  };
  // The first two texts share one line.
  auto* first = new QHBoxLayout;
  for (int i = 0; i < 4; ++i) {
    auto* label = new QLabel(QString::fromUtf8(lines[i][1]), this);
    label->setObjectName(QString::fromUtf8(lines[i][0]));
    if (i < 2)
      first->addWidget(label);
    else
      text->addWidget(label);
    if (i == 1) {
      first->addStretch();
      text->insertLayout(0, first);
    }
  }
  row->addLayout(text);
  layout->addLayout(row);
  auto* close = new QPushButton(QStringLiteral("OK"), this);
  close->setObjectName(QStringLiteral("ButtonClose"));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close);
  buttons->addStretch();
  layout->addLayout(buttons);
}

}  // namespace korv::ui
