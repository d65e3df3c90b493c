#include "ui/application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <QTranslator>

namespace ltr {

namespace {

// Qt's Russian catalogue lacks the file types that the file dialog shows in
// its "Тип" column; these few texts complete it.
class TFileTypeTranslator : public QTranslator {
 public:
  using QTranslator::QTranslator;
  QString translate(const char* context, const char* sourceText, const char* disambiguation,
                    int n) const override {
    Q_UNUSED(disambiguation);
    Q_UNUSED(n);
    if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
    static constexpr struct {
      const char* source;
      const char* russian;
    } Texts[] = {{"Drive", "Диск"}, {"Folder", "Папка"}, {"Alias", "Ссылка"},
                 {"File", "Файл"},  {"%1 File", "Файл %1"}};
    for (const auto& t : Texts)
      if (qstrcmp(sourceText, t.source) == 0) return QString::fromUtf8(t.russian);
    return {};
  }
  bool isEmpty() const override { return false; }
};

}  // namespace

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
  QApplication::installTranslator(new TFileTypeTranslator(&app));
  return true;
}

}  // namespace ltr
