#include "ui/application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <QTranslator>

namespace ltr {

bool SetUpApplication(QApplication& app) {
  QApplication::setApplicationName(QString::fromUtf8(ApplicationName));
  const QLocale russian(QLocale::Russian, QLocale::Russia);
  QLocale::setDefault(russian);

  // The translator lives as long as the application that owns it.
  auto* translator = new QTranslator(&app);
  if (!translator->load(russian, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QApplication::installTranslator(translator);
  return true;
}

}  // namespace ltr
