#pragma once
// What the program sets up once for all its windows: the application's name,
// the Russian locale of the number fields and Qt's own Russian texts (file
// dialogs, standard buttons, a text field's context menu).

#include "ltr/version.h"

class QApplication;

namespace ltr {

// Sets the name and the locale and installs Qt's Russian translation when it
// is there. Window captions stay exactly as each window sets them. Returns
// whether the translation was found; without it Qt's dialogs stay in English
// and the program works as before.
bool SetUpApplication(QApplication& app);

}  // namespace ltr
