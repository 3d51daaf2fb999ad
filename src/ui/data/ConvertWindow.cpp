#include "ui/data/ConvertWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "presenters/data/ConvertPresenter.h"
#include "ui/widgets/QtView.h"
#include "ui/widgets/SampleFormWidgets.h"

namespace korv::ui {

namespace {

QString captionOf(const std::string& name) { return ControlCaption(ConvertControls(), name); }

// Rows of the preview that give no point stand out: refused ones red, skipped ones grey.
class PreviewColours : public QSyntaxHighlighter {
 public:
  using QSyntaxHighlighter::QSyntaxHighlighter;

 protected:
  void highlightBlock(const QString& line) override {
    QTextCharFormat f;
    if (line.contains(QLatin1String("refused: ")) || line.contains(QLatin1String("cannot be saved"))) {
      f.setForeground(QColor(0xb0, 0x00, 0x00));
      f.setBackground(QColor(0xff, 0xe8, 0xe8));
    } else if (line.contains(QLatin1String("skipped: "))) {
      f.setForeground(QColor(0x70, 0x70, 0x70));
      f.setBackground(QColor(0xf0, 0xf0, 0xf0));
    } else if (line.startsWith(QLatin1String("Hint: "))) {
      f.setForeground(QColor(0x80, 0x50, 0x00));
    } else {
      return;
    }
    setFormat(0, static_cast<int>(line.size()), f);
  }
};

QLabel* label(QWidget* parent, const std::string& name) {
  auto* l = NewNamed<QLabel>(parent, name);
  l->setText(captionOf(name));
  return l;
}

}  // namespace

TFormConvert::TFormConvert(Analysis& record, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormConvert"));
  setModal(true);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

  // Steps 1 to 6 beside their controls.
  auto* steps = NewNamed<QGroupBox>(this, "GroupBoxConvert");
  steps->setTitle(captionOf("GroupBoxConvert"));
  auto* stepLayout = new QGridLayout(steps);
  auto* load = NewNamed<QPushButton>(steps, "ButtonLoadAnotherData");
  load->setText(captionOf("ButtonLoadAnotherData"));
  auto* columnT = NewNamed<QComboBox>(steps, "ComboBoxColumnT");
  auto* columnC = NewNamed<QComboBox>(steps, "ComboBoxColumnC");
  // Wide enough for a column's name as well as its number.
  for (QComboBox* box : {columnT, columnC}) {
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(20);
  }
  auto* save = NewNamed<QPushButton>(steps, "ButtonSaveData");
  save->setText(captionOf("ButtonSaveData"));
  for (QPushButton* b : {load, save}) b->setAutoDefault(false);
  stepLayout->addWidget(label(steps, "LabelStep1"), 0, 0);
  stepLayout->addWidget(load, 0, 1);
  stepLayout->addWidget(label(steps, "LabelStep2"), 1, 0, 1, 2);
  stepLayout->addWidget(label(steps, "LabelStep3"), 2, 0);
  stepLayout->addWidget(columnT, 2, 1);
  stepLayout->addWidget(label(steps, "LabelStep4"), 3, 0);
  stepLayout->addWidget(columnC, 3, 1);
  stepLayout->addWidget(label(steps, "LabelStep5"), 4, 0, 1, 2);
  stepLayout->addWidget(label(steps, "LabelStep6"), 5, 0);
  stepLayout->addWidget(save, 5, 1);

  // What the columns hold: quantity, unit, Hall factor, Celsius, run, reliability column.
  auto* import = NewNamed<QGroupBox>(this, "GroupBoxImport");
  import->setTitle(captionOf("GroupBoxImport"));
  auto* importLayout = new QGridLayout(import);
  auto* quantity = NewNamed<QComboBox>(import, "ComboBoxQuantity");
  auto* unit = NewNamed<QComboBox>(import, "ComboBoxUnit");
  auto* hallFactor = NewNamed<QLineEdit>(import, "EditHallFactor");
  auto* celsius = NewNamed<QCheckBox>(import, "CheckBoxCelsius");
  celsius->setText(captionOf("CheckBoxCelsius"));
  auto* run = NewNamed<QComboBox>(import, "ComboBoxRun");
  auto* columnR = NewNamed<QComboBox>(import, "ComboBoxColumnReliability");
  auto* dropRefused = NewNamed<QCheckBox>(import, kConvertDropRefused);
  dropRefused->setText(captionOf(kConvertDropRefused));
  importLayout->addWidget(label(import, "LabelQuantity"), 0, 0);
  importLayout->addWidget(quantity, 0, 1);
  importLayout->addWidget(label(import, "LabelUnit"), 1, 0);
  importLayout->addWidget(unit, 1, 1);
  importLayout->addWidget(label(import, "LabelHallFactor"), 2, 0);
  importLayout->addWidget(hallFactor, 2, 1);
  importLayout->addWidget(celsius, 3, 0, 1, 2);
  importLayout->addWidget(label(import, "LabelRun"), 4, 0);
  importLayout->addWidget(run, 4, 1);
  importLayout->addWidget(label(import, "LabelColumnReliability"), 5, 0);
  importLayout->addWidget(columnR, 5, 1);
  importLayout->addWidget(dropRefused, 6, 0, 1, 2);

  // The text with its context menu.
  text_ = NewNamed<QPlainTextEdit>(this, kConvertText);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(fixed);
  // Tab-separated cells line up as columns.
  text_->setTabStopDistance(QFontMetricsF(fixed).horizontalAdvance(QLatin1Char('0')) * 14);
  text_->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* popup = NewNamed<QMenu>(this, "PopupMenuConvert");
  const std::pair<const char*, ClipboardAction> clipboard[] = {
      {"Cut1", ClipboardAction::Cut}, {"Copy1", ClipboardAction::Copy}, {"Paste1", ClipboardAction::Paste}};
  for (const auto& [name, action] : clipboard) {
    auto* a = popup->addAction(captionOf(name));
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this,
            [this, action = action] { view_->Run([&] { presenter_->ClipboardClick(action); }); });
  }
  connect(text_, &QPlainTextEdit::customContextMenuRequested, this,
          [this, popup](const QPoint& at) { popup->exec(text_->mapToGlobal(at)); });

  // Conditions of measurement and analysis.
  auto* conditions = NewNamed<QGroupBox>(this, "GroupBoxConditions");
  conditions->setTitle(captionOf("GroupBoxConditions"));
  AddSampleRows(new QGridLayout(conditions), conditions, SampleLayout::Conversion, false);

  auto* previewBox = NewNamed<QGroupBox>(this, "GroupBoxPreview");
  previewBox->setTitle(captionOf("GroupBoxPreview"));
  auto* previewText = NewNamed<QPlainTextEdit>(previewBox, kConvertPreview);
  previewText->setReadOnly(true);
  previewText->setFont(fixed);
  previewText->setLineWrapMode(QPlainTextEdit::NoWrap);
  new PreviewColours(previewText->document());
  (new QVBoxLayout(previewBox))->addWidget(previewText);

  // The left column scrolls when the screen is lower than its boxes (a 1366x768 laptop).
  auto* leftColumn = new QWidget;
  auto* left = new QVBoxLayout(leftColumn);
  left->setContentsMargins(0, 0, 0, 0);
  left->addWidget(steps);
  left->addWidget(import);
  left->addWidget(conditions);
  left->addStretch();
  auto* leftScroll = new QScrollArea(this);
  leftScroll->setWidget(leftColumn);
  leftScroll->setWidgetResizable(true);
  leftScroll->setFrameShape(QFrame::NoFrame);
  leftScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  leftScroll->setMinimumWidth(leftColumn->sizeHint().width() + leftScroll->verticalScrollBar()->sizeHint().width());
  leftScroll->setMinimumHeight(200);
  auto* right = new QVBoxLayout;
  right->addWidget(text_, 1);
  right->addWidget(previewBox, 1);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(leftScroll);
  layout->addLayout(right, 1);
  int height = 760;
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    height = std::min(height, screen->availableGeometry().height() - 40);  // room for the title bar
  resize(1180, height);

  view_ = std::make_unique<QtView>(this);
  presenter_ = std::make_unique<ConvertPresenter>(record, *view_, convertedDataSaved_);

  // The preview follows the text a moment after typing stops, and the boxes at once.
  preview_ = new QTimer(this);
  preview_->setSingleShot(true);
  preview_->setInterval(250);
  connect(preview_, &QTimer::timeout, this, view_->Guard([this] { presenter_->UpdatePreview(); }));
  connect(text_, &QPlainTextEdit::textChanged, preview_, qOverload<>(&QTimer::start));
  for (QComboBox* box : {columnT, columnC, unit, run, columnR})
    connect(box, &QComboBox::currentIndexChanged, this, view_->Guard([this] { presenter_->UpdatePreview(); }));
  connect(quantity, &QComboBox::currentIndexChanged, this, view_->Guard([this] {
    presenter_->ComboBoxQuantityChange();
    presenter_->UpdatePreview();
  }));
  for (QCheckBox* box : {celsius, dropRefused})
    connect(box, &QCheckBox::toggled, this, view_->Guard([this] { presenter_->UpdatePreview(); }));
  connect(hallFactor, &QLineEdit::textChanged, preview_, qOverload<>(&QTimer::start));
  // The conduction type decides which R_H rows are left out.
  if (auto* type = findChild<QComboBox*>(QStringLiteral("ComboBoxConductionType")))
    connect(type, &QComboBox::currentTextChanged, preview_, qOverload<>(&QTimer::start));
  connect(load, &QPushButton::clicked, this, view_->Guard([this] {
    presenter_->ButtonLoadAnotherDataClick();
    preview_->stop();
  }));
  connect(save, &QPushButton::clicked, this, view_->Guard([this] { presenter_->ButtonSaveDataClick(); }));
}

TFormConvert::~TFormConvert() = default;

void TFormConvert::Prepare() {
  convertedDataSaved_ = false;
  presenter_->Prepare();
  preview_->stop();
}

bool TFormConvert::Run(const std::function<void(QDialog*)>& exec) {
  Prepare();
  if (exec)
    exec(this);
  else
    this->exec();
  return convertedDataSaved_;
}

}  // namespace korv::ui
