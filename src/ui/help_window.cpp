#include "ui/help_window.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

// The resources of a static library are registered by name.
static void InitHelpResources() { Q_INIT_RESOURCE(help); }

namespace ltr {

QString UserGuideMarkdown() {
  InitHelpResources();
  QFile file(QStringLiteral(":/help/guide.md"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

TfrmHelp::TfrmHelp(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint) {
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(QString::fromUtf8("Руководство пользователя"));
  resize(760, 640);
  auto* root = new QVBoxLayout(this);
  Text_ = new QTextBrowser(this);
  Text_->setObjectName(QStringLiteral("tbGuide"));
  Text_->setOpenExternalLinks(false);
  Text_->document()->setDocumentMargin(12);
  Text_->setMarkdown(UserGuideMarkdown());
  root->addWidget(Text_, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  auto* close = new QPushButton(QString::fromUtf8("Закрыть"), this);
  close->setObjectName(QStringLiteral("btnCloseHelp"));
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  bottom->addWidget(close);
  root->addLayout(bottom);
}

}  // namespace ltr
