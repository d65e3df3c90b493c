#include "ui/about_box.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ltr/version.h"

namespace ltr {

namespace {

constexpr int kClientWidth = 248;
constexpr int kClientHeight = 162;

QLabel* CentredLabel(const char* text, const char* name, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  return label;
}

// Lowers the font of a label until its longest line fits the given width.
void FitToWidth(QLabel* label, int width) {
  QFont font = label->font();
  for (int size = font.pointSize(); size > 6; --size) {
    font.setPointSize(size);
    if (QFontMetrics(font).size(0, label->text()).width() <= width) break;
  }
  label->setFont(font);
}

}  // namespace

TfrmAbout::TfrmAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName("frmAbout");
  setWindowTitle(QString::fromUtf8("О программе"));
  setFixedSize(kClientWidth, kClientHeight);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(8, 8, 8, 8);
  root->setSpacing(4);

  QLabel* product = CentredLabel(
      "Расчет концентрации пыли\nв аспирационном укрытии\nна основе метода дискретных вихрей", "lbProductName", this);
  QLabel* comments = CentredLabel("Метод дискретных вихрей,\nчастицы по закону Стокса.", "lbComments", this);
  const int textWidth = kClientWidth - root->contentsMargins().left() - root->contentsMargins().right();
  FitToWidth(product, textWidth);
  FitToWidth(comments, textWidth);
  // One text size for the whole box: the smaller of the two fitted ones.
  QFont font = product->font().pointSize() < comments->font().pointSize() ? product->font() : comments->font();
  product->setFont(font);
  comments->setFont(font);
  QLabel* version = CentredLabel(VersionCaption, "lbVersion", this);
  font.setBold(true);
  version->setFont(font);
  root->addWidget(product);
  root->addWidget(version);
  root->addWidget(comments);
  root->addStretch(1);

  auto* separator = new QFrame(this);
  separator->setObjectName("bvSeparator");
  separator->setFrameShape(QFrame::HLine);
  separator->setFrameShadow(QFrame::Sunken);
  root->addWidget(separator);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  auto* ok = new QPushButton(QString::fromUtf8("ОК"), this);
  ok->setObjectName("btnOK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  bottom->addWidget(ok);
  root->addLayout(bottom);
}

void TfrmAbout::ShowModal() {
  const QScreen* where = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  if (where != nullptr) {
    QRect box = frameGeometry();
    box.moveCenter(where->availableGeometry().center());
    move(box.topLeft());
  }
  Services_.execDialog(this);
}

}  // namespace ltr
