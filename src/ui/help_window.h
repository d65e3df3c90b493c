#pragma once
// "Руководство пользователя": a short guide to the program in Russian, a
// Markdown text of the program's resources shown in a window of its own
// beside the main window (F1).

#include <QDialog>

class QTextBrowser;

namespace ltr {

// The guide's text as the resources hold it (Markdown).
QString UserGuideMarkdown();

class TfrmHelp : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmHelp(QWidget* parent = nullptr);

 private:
  QTextBrowser* Text_ = nullptr;
};

}  // namespace ltr
