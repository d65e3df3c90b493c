// The window tests need one QApplication for the whole program; the offscreen
// platform serves when no display is there. It is set up as the program sets
// itself up: Russian locale for the number fields, Qt's Russian texts.

#include <gtest/gtest.h>

#include "ui/application.h"
#include "ui/qstring_printer.h"

#include <QApplication>
#include <cstdlib>
#include <memory>

namespace {

class UiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    App_ = std::make_unique<QApplication>(Argc_, Argv_);
    ltr::SetUpApplication(*App_);
  }
  void TearDown() override { App_.reset(); }

 private:
  int Argc_ = 1;
  char Name_[8] = "test_ui";
  char* Argv_[2] = {Name_, nullptr};
  std::unique_ptr<QApplication> App_;
};

const ::testing::Environment* const Registered = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

}  // namespace

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

void PrintTo(const QStringList& texts, std::ostream* out) {
  *out << '{';
  for (qsizetype i = 0; i < texts.size(); ++i) {
    if (i > 0) *out << ", ";
    PrintTo(texts[i], out);
  }
  *out << '}';
}
