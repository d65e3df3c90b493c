// The drawing tests need a GUI application for fonts; the offscreen platform
// serves when no display is there.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>

namespace {

class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    App_ = std::make_unique<QGuiApplication>(Argc_, Argv_);
  }
  void TearDown() override { App_.reset(); }

 private:
  int Argc_ = 1;
  char Name_[10] = "test_view";
  char* Argv_[2] = {Name_, nullptr};
  std::unique_ptr<QGuiApplication> App_;
};

const ::testing::Environment* const Registered = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace
