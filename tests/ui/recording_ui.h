#pragma once
// User interaction for window tests that never blocks: messages and questions
// are recorded, a question is answered with Answer, and a modal showing shows
// the dialog, runs WhileShown (what the user does meanwhile) and cancels the
// dialog if it is still open afterwards.

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

#include "ui/ui_services.h"

namespace ltr::testing {

class TRecordingUi {
 public:
  TUiServices Services() {
    TUiServices services;
    services.message = [this](QWidget*, const QString& text) { Messages.push_back(text); };
    services.confirm = [this](QWidget*, const QString& text) {
      Questions.push_back(text);
      return Answer;
    };
    services.execDialog = [this](QDialog* d) {
      d->show();
      if (WhileShown) WhileShown();
      if (d->isVisible()) d->reject();
      return d->result();
    };
    return services;
  }

  std::vector<QString> Messages;
  std::vector<QString> Questions;
  bool Answer = true;
  std::function<void()> WhileShown;
};

}  // namespace ltr::testing
