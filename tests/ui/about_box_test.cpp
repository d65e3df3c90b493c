#include "ui/about_box.h"

#include <gtest/gtest.h>

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "ltr/version.h"
#include "ui/qstring_printer.h"

namespace ltr {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

TEST(AboutBoxTest, CaptionSizeAndTexts) {
  TfrmAbout box;
  EXPECT_EQ(box.windowTitle(), U("О программе"));
  EXPECT_EQ(box.minimumSize(), QSize(248, 162));
  EXPECT_EQ(box.maximumSize(), QSize(248, 162));
  EXPECT_FALSE(box.windowFlags() & Qt::WindowMinMaxButtonsHint);

  EXPECT_EQ(box.findChild<QLabel*>("lbProductName")->text(),
            U("Расчет концентрации пыли\nв аспирационном укрытии\nна основе метода дискретных вихрей"));
  EXPECT_EQ(box.findChild<QLabel*>("lbVersion")->text(), U("Версия ") + U(VersionText));
  EXPECT_EQ(box.findChild<QLabel*>("lbComments")->text().count('\n'), 1);
  const auto* line = box.findChild<QFrame*>("bvSeparator");
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->frameShape(), QFrame::HLine);

  // The close button reads "ОК" in Cyrillic letters.
  const auto* ok = box.findChild<QPushButton*>("btnOK");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), QString::fromUtf16(u"\u041E\u041A"));
}

TEST(AboutBoxTest, EverythingFitsAndTheButtonSitsLowerRight) {
  TfrmAbout box;
  box.grab();  // lays the box out without showing it
  for (const QLabel* label : box.findChildren<QLabel*>()) {
    EXPECT_LE(label->sizeHint().width(), label->width()) << label->objectName().toStdString();
    EXPECT_LE(label->sizeHint().height(), label->height()) << label->objectName().toStdString();
  }
  const QRect ok = box.findChild<QPushButton*>("btnOK")->geometry();
  EXPECT_GT(ok.left(), box.width() / 2);
  EXPECT_GT(ok.top(), box.findChild<QFrame*>("bvSeparator")->geometry().bottom());
  EXPECT_LE(ok.bottom(), box.height());
}

TEST(AboutBoxTest, ShowsModallyCentredOnTheScreen) {
  TfrmAbout box;
  int shown = 0;
  TUiServices services = DefaultUiServices();
  services.execDialog = [&](QDialog* dialog) {
    ++shown;
    EXPECT_EQ(dialog, &box);
    return int(QDialog::Accepted);
  };
  box.SetUiServices(services);
  box.ShowModal();
  box.ShowModal();
  EXPECT_EQ(shown, 2);
  const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((box.frameGeometry().center() - centre).manhattanLength(), 2);

  box.setResult(QDialog::Rejected);
  box.findChild<QPushButton*>("btnOK")->click();
  EXPECT_EQ(box.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace ltr
