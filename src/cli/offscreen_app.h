#pragma once
// A GUI application without a display for the subcommands that draw (fonts
// need one). Only Qt's critical and fatal messages reach stderr.

#ifdef LTR_HAVE_VIEW

#include <QGuiApplication>
#include <QtGlobal>
#include <cstdio>
#include <memory>

namespace ltr::cli {

namespace offscreen_detail {

// Qt's diagnostics (platform notes and the like) are no part of the output;
// only its critical and fatal messages reach stderr.
inline void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    std::fprintf(stderr, "ltr-cli: Qt: %s\n", message.toLocal8Bit().constData());
}

}  // namespace offscreen_detail

// The drawing needs a GUI application for its fonts; no display is needed.
class OffscreenApplication {
 public:
  OffscreenApplication() : previous_(qInstallMessageHandler(offscreen_detail::QtMessages)) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (QCoreApplication::instance() == nullptr) app_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  ~OffscreenApplication() {
    app_.reset();
    qInstallMessageHandler(previous_);
  }
  OffscreenApplication(const OffscreenApplication&) = delete;
  OffscreenApplication& operator=(const OffscreenApplication&) = delete;

 private:
  QtMessageHandler previous_;
  int argc_ = 1;
  char name_[8] = "ltr-cli";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

}  // namespace ltr::cli

#endif  // LTR_HAVE_VIEW
