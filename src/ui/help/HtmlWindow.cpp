#include "ui/help/HtmlWindow.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "ui/widgets/QtView.h"

namespace korv::ui {

TFormHtml::TFormHtml(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FormHtml"));
  setWindowTitle(QStringLiteral("KORV Help"));
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  back_ = new QPushButton(QStringLiteral("Back"), this);
  back_->setObjectName(QStringLiteral("ButtonBack"));
  forward_ = new QPushButton(QStringLiteral("Forward"), this);
  forward_->setObjectName(QStringLiteral("ButtonForward"));
  auto* open = new QPushButton(QStringLiteral("Open..."), this);
  open->setObjectName(QStringLiteral("ButtonOpen"));
  bar->addWidget(back_);
  bar->addWidget(forward_);
  bar->addWidget(open);
  bar->addStretch();
  layout->addLayout(bar);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("WebBrowser1"));
  browser_->setOpenExternalLinks(true);
  browser_->setOpenLinks(true);
  layout->addWidget(browser_);
  connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
  connect(open, &QPushButton::clicked, this, &TFormHtml::OpenPage);
  connect(browser_, &QTextBrowser::historyChanged, this, &TFormHtml::UpdateButtons);
  UpdateButtons();
  resize(820, 640);
}

QString TFormHtml::DefaultHelpFile() {
  const QString dir = QCoreApplication::applicationDirPath();
  for (const QString& candidate :
       {dir + "/KORVWinHelp.html", dir + "/../share/korv/KORVWinHelp.html", dir + "/../../../docs/KORVWinHelp.html"}) {
    if (QFileInfo::exists(candidate)) return QFileInfo(candidate).canonicalFilePath();
  }
  return {};
}

void TFormHtml::Navigate(const QString& address) {
  const QUrl url = address.contains("://") ? QUrl(address) : QUrl::fromLocalFile(QFileInfo(address).absoluteFilePath());
  if (url.isLocalFile()) {
    browser_->setSource(url);
  } else {
    // The viewer shows local pages; a web address is offered as a link to the desktop's browser.
    const QString link = url.toString().toHtmlEscaped();
    browser_->setHtml(QStringLiteral("<h2>KORV on the web</h2><p>New versions of the program are offered at "
                                     "<a href=\"%1\">%1</a>.</p>")
                          .arg(link));
  }
  UpdateButtons();
}

void TFormHtml::ShowHelp() {
  if (browser_->source().isEmpty()) {
    const QString file = DefaultHelpFile();
    if (!file.isEmpty()) Navigate(file);
  }
  show();
  raise();
  activateWindow();
}

void TFormHtml::OpenPage() {
  FileDialog dialog;
  dialog.filter = "HTML files (*.html)|*.html";
  dialog.filterIndex = 1;
  dialog.fileName = DefaultHelpFile().toStdString();
  if (const auto path = Dialogs().OpenFile(this, dialog)) Navigate(QString::fromStdString(*path));
}

QUrl TFormHtml::Address() const { return browser_->source(); }

void TFormHtml::UpdateButtons() {
  back_->setEnabled(browser_->isBackwardAvailable());
  forward_->setEnabled(browser_->isForwardAvailable());
}

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormAbout"));
  setWindowTitle(QStringLiteral("Version"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel(QStringLiteral("<h2>KORV</h2><p>Korvan (KORV) by Telmar Lab.</p>"), this);
  name->setObjectName(QStringLiteral("ProductName"));
  version_ = new QLabel(this);
  version_->setObjectName(QStringLiteral("Version"));
  auto* about = new QLabel(
      QStringLiteral("<p>Densities and energy levels of dopants and traps from the temperature dependence of the "
                     "majority-carrier concentration measured by the Hall effect.</p>"
                     "<p>This program is free software under the GNU General Public License, version 3 or later. "
                     "Its charts are drawn with QCustomPlot (GPL-3.0-or-later) on Qt %1.</p>")
          .arg(QString::fromLatin1(qVersion())),
      this);
  about->setObjectName(QStringLiteral("Comments"));
  about->setWordWrap(true);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(name);
  layout->addWidget(version_);
  layout->addWidget(about);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  layout->addLayout(row);
  setMinimumWidth(420);
}

void TFormAbout::SetVersion(const QString& version) { version_->setText(version); }

}  // namespace korv::ui
