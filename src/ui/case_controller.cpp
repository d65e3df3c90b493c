#include "ui/case_controller.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QStatusBar>
#include <cmath>
#include <new>

#include "io/vortex_commands.h"
#include "numerics/number_text.h"
#include "ui/main_window.h"
#include "ui/number_field.h"

namespace ltr {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
std::string Native(const QString& fileName) { return QFile::encodeName(fileName).toStdString(); }
QString FromNative(const std::string& fileName) { return QFile::decodeName(QByteArray::fromStdString(fileName)); }

// The captions the run commands quote for the fields they read.
struct TTextField {
  const char* name;     // object name of the field
  const char* caption;  // as the messages quote it
};
constexpr TTextField MaxFreeField{"edMaxFreeVortex", "Макс. кол-во свободных вихрей"};
constexpr TTextField MaxTimeField{"edMaxTime", "Макс. время моделирования"};
constexpr TTextField DtField{"edDt", "Шаг по времени"};
constexpr TTextField StepField{"edParticleStep", "Шаг интегрирования частиц"};
constexpr TTextField FlowLineFields[] = {{"edX", "X"},
                                         {"edY", "Y"},
                                         {"edStep", "Шаг построения линии тока"},
                                         {"edMaxLen", "Максим. длина линии тока"}};
constexpr TTextField ParticlesField{"edNumParticle", "Количество пылевых частиц, появляющихся в каждый момент"};
constexpr TTextField MomentsField{"edNumIteration", "Количество моментов появления пылевых частиц"};
constexpr TTextField ResidenceField{"edMaxResidence", "Предельное время пребывания частицы"};

// A number as a text field shows it: general notation, decimal comma.
QString FieldText(double value) { return QString::fromStdString(FormatGeneral(value)); }

}  // namespace

TCaseController::TCaseController(TfrmMain& window) : QObject(&window), W_(window) {
  setObjectName(QStringLiteral("CaseController"));
  QMenu* data = W_.findChild<QMenu*>(QStringLiteral("N1"));
  QAction* before = W_.findChild<QAction*>(QStringLiteral("miLoad"));
  auto add = [&](const char* name, const char* text, const QKeySequence& keys, void (TCaseController::*slot)()) {
    auto* a = new QAction(U(text), data);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(keys);
    data->insertAction(before, a);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  miOpenCase_ = add("miOpenCase", "Открыть расчет…", QKeySequence(Qt::CTRL | Qt::Key_O),
                    &TCaseController::miOpenCaseClick);
  miSaveCase_ = add("miSaveCase", "Сохранить расчет", QKeySequence(Qt::CTRL | Qt::Key_S),
                    &TCaseController::miSaveCaseClick);
  miSaveCaseAs_ = add("miSaveCaseAs", "Сохранить расчет как…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
                      &TCaseController::miSaveCaseAsClick);
  miRecentCases_ = new QMenu(U("Последние расчеты"), data);
  miRecentCases_->setObjectName(QStringLiteral("miRecentCases"));
  miRecentCases_->setFont(data->font());
  miRecentCases_->setToolTipsVisible(true);
  data->insertMenu(before, miRecentCases_);
  data->insertSeparator(before);
  connect(miRecentCases_, &QMenu::aboutToShow, this, &TCaseController::FillRecentMenu);
  // The commands that replace the case wait while a run is active.
  connect(data, &QMenu::aboutToShow, this, [this] {
    const bool idle = W_.ActiveRun() == TfrmMain::TRunKind::None;
    for (QAction* a : {miOpenCase_, miSaveCase_, miSaveCaseAs_, miRecentCases_->menuAction()}) a->setEnabled(idle);
  });

  lbCaseName_ = new QLabel(W_.statusBar());
  lbCaseName_->setObjectName(QStringLiteral("lbCaseName"));
  W_.statusBar()->addPermanentWidget(lbCaseName_);
  // The start-up state is the case not yet saved.
  MarkSaved(QString());
}

std::optional<TCaseFile> TCaseController::CurrentCase(QString* problem) const {
  auto fail = [problem](const QString& text) -> std::optional<TCaseFile> {
    if (problem != nullptr) *problem = text;
    return std::nullopt;
  };
  auto edit = [this](const TTextField& f) { return W_.findChild<QLineEdit*>(QString::fromLatin1(f.name)); };
  auto real = [&](const TTextField& f, double& value) -> QString {
    const QString text = edit(f)->text();
    Extended v = 0;
    if (text.trimmed().isEmpty()) return U("Не заполнено поле «%1»").arg(U(f.caption));
    if (!ParseReal(text.toStdString(), v)) return U("«%1» не является числом (поле «%2»)").arg(text, U(f.caption));
    value = ToDouble(v);
    return {};
  };
  auto number = [&](const TTextField& f, double& value) -> QString {
    const auto* field = W_.findChild<TNumberField*>(QString::fromLatin1(f.name));
    if (QString text = field->Problem(U(f.caption)); !text.isEmpty()) return text;
    value = field->value();
    return {};
  };

  TCaseFile file;
  file.Case = W_.s_.Case();
  file.InflowSpeedGiven = file.Case.Area.InflowSpeed != DerivedInflowSpeed(file.Case.Area);
  TCaseSettings& s = file.Settings;
  double particles = 0, moments = 0, residence = 0;
  if (QString text = number(ParticlesField, particles); !text.isEmpty()) return fail(text);
  if (QString text = number(MomentsField, moments); !text.isEmpty()) return fail(text);
  if (QString text = number(ResidenceField, residence); !text.isEmpty()) return fail(text);
  s.Particles = static_cast<int>(std::nearbyint(particles));
  s.Moments = static_cast<int>(std::nearbyint(moments));
  s.MaxResidence = residence;
  s.MoveVortices = W_.findChild<QRadioButton*>(QStringLiteral("rbVortexesMove"))->isChecked();
  switch (W_.findChild<QComboBox*>(QStringLiteral("cbParticleStep"))->currentIndex()) {
    case 1: s.ParticleStep = TParticleStepMode::Auto(); break;
    case 2: {
      double step = 0;
      if (QString text = real(StepField, step); !text.isEmpty()) return fail(text);
      s.ParticleStep = TParticleStepMode::FixedStep(step);
      break;
    }
    default: s.ParticleStep = TParticleStepMode::Described(); break;
  }
  s.FastConcentration = W_.findChild<QCheckBox*>(QStringLiteral("cbFastConcentration"))->isChecked();

  int maxFree = 0;
  const QString maxFreeText = edit(MaxFreeField)->text();
  if (maxFreeText.trimmed().isEmpty()) return fail(U("Не заполнено поле «%1»").arg(U(MaxFreeField.caption)));
  if (!ParseInteger(maxFreeText.toStdString(), maxFree))
    return fail(U("«%1» не является целым числом (поле «%2»)").arg(maxFreeText, U(MaxFreeField.caption)));
  s.MaxFree = maxFree;
  double maxTime = 0, dt = 0;
  if (QString text = real(MaxTimeField, maxTime); !text.isEmpty()) return fail(text);
  if (QString text = real(DtField, dt); !text.isEmpty()) return fail(text);
  s.MaxTime = maxTime;
  s.Dt = dt;
  s.FastVortexRun = W_.findChild<QCheckBox*>(QStringLiteral("cbFastVortexRun"))->isChecked();
  s.ExhaustRemoval = W_.findChild<QCheckBox*>(QStringLiteral("cbExhaustVortices"))->isChecked();

  double line[4] = {};
  for (int i = 0; i < 4; ++i)
    if (QString text = real(FlowLineFields[i], line[i]); !text.isEmpty()) return fail(text);
  s.FlowLineX = line[0];
  s.FlowLineY = line[1];
  s.FlowLineStep = line[2];
  s.FlowLineMaxLen = line[3];
  file.VortexFile = Native(VortexFile_);
  return file;
}

bool TCaseController::Changed() const {
  const std::optional<TCaseFile> now = CurrentCase();
  // A field that cannot be read holds a text no case file had.
  return !now || CaseFileText(*now) != SavedText_;
}

QString TCaseController::CaseName() const {
  return FileName_.isEmpty() ? U("Новый расчет") : QFileInfo(FileName_).completeBaseName();
}

QString TCaseController::SettingsProblem(const TCaseSettings& s) const {
  auto range = [this](const char* name, const char* key, const std::optional<double>& value) -> QString {
    const auto* field = W_.findChild<TNumberField*>(QString::fromLatin1(name));
    if (!value || field->InRange(*value)) return {};
    return U("значение %1 должно быть от %2 до %3")
        .arg(U(key), field->TextOf(field->minimum()), field->TextOf(field->maximum()));
  };
  auto optionalDouble = [](const std::optional<int>& v) { return v ? std::optional<double>(*v) : std::nullopt; };
  for (const QString& text : {range("edNumParticle", "concentration.particles", optionalDouble(s.Particles)),
                              range("edNumIteration", "concentration.moments", optionalDouble(s.Moments)),
                              range("edMaxResidence", "concentration.max_residence", s.MaxResidence)})
    if (!text.isEmpty()) return text;
  return {};
}

void TCaseController::ShowSettings(const TCaseSettings& s) {
  auto setNumber = [this](const char* name, const auto& value) {
    if (value) W_.findChild<TNumberField*>(QString::fromLatin1(name))->setValue(static_cast<double>(*value));
  };
  auto setText = [this](const char* name, const std::optional<double>& value) {
    if (value) W_.findChild<QLineEdit*>(QString::fromLatin1(name))->setText(FieldText(*value));
  };
  auto setBox = [this](const char* name, const std::optional<bool>& value) {
    if (value) W_.findChild<QCheckBox*>(QString::fromLatin1(name))->setChecked(*value);
  };
  setNumber("edNumParticle", s.Particles);
  setNumber("edNumIteration", s.Moments);
  setNumber("edMaxResidence", s.MaxResidence);
  if (s.MoveVortices) {
    (*s.MoveVortices ? W_.findChild<QRadioButton*>(QStringLiteral("rbVortexesMove"))
                     : W_.findChild<QRadioButton*>(QStringLiteral("rbVortexesFixed")))
        ->setChecked(true);
  }
  if (s.ParticleStep) {
    auto* mode = W_.findChild<QComboBox*>(QStringLiteral("cbParticleStep"));
    switch (s.ParticleStep->Kind) {
      case TParticleStepMode::TKind::Described: mode->setCurrentIndex(0); break;
      case TParticleStepMode::TKind::Auto: mode->setCurrentIndex(1); break;
      case TParticleStepMode::TKind::Fixed:
        mode->setCurrentIndex(2);
        setText("edParticleStep", s.ParticleStep->Value);
        break;
    }
  }
  setBox("cbFastConcentration", s.FastConcentration);
  if (s.MaxFree) W_.findChild<QLineEdit*>(QStringLiteral("edMaxFreeVortex"))->setText(QString::number(*s.MaxFree));
  setText("edMaxTime", s.MaxTime);
  setText("edDt", s.Dt);
  setBox("cbFastVortexRun", s.FastVortexRun);
  setBox("cbExhaustVortices", s.ExhaustRemoval);
  setText("edX", s.FlowLineX);
  setText("edY", s.FlowLineY);
  setText("edStep", s.FlowLineStep);
  setText("edMaxLen", s.FlowLineMaxLen);
}

bool TCaseController::Open(const QString& fileName) {
  if (W_.ActiveRun() != TfrmMain::TRunKind::None) return false;
  auto refuse = [&](const QString& why) {
    W_.ShowText(U("Не удалось открыть расчет из файла «%1»: %2").arg(fileName, why));
    return false;
  };
  TCaseFile file;
  if (const TOutcome read = ReadCaseFile(Native(fileName), file); !read)
    return refuse(QString::fromStdString(read.Message()));
  if (const std::string error = CompleteCase(file); !error.empty()) return refuse(QString::fromStdString(error));
  if (const QString problem = SettingsProblem(file.Settings); !problem.isEmpty()) return refuse(problem);

  // The flow of the case's vortex file, loaded beside the window's state: a
  // file that cannot be loaded leaves everything as it was.
  TCase c = file.Case;
  TFlow flow;
  TLoadResult loaded;
  QString vortexFile;
  if (!file.VortexFile.empty()) {
    const std::string path = VortexFileBeside(Native(fileName), file.VortexFile);
    TDustRun particles;
    TObserver silent;
    TOutcome load;
    try {
      load = LoadVortexStructure(c, flow, particles, silent, path, loaded);
    } catch (const std::bad_alloc&) {
      load = TOutcome::Refusal("недостаточно памяти для вихревой структуры");
    }
    if (!load) return refuse(QString::fromStdString(load.Message()));
    vortexFile = QFileInfo(FromNative(path)).absoluteFilePath();
  }

  W_.ReplaceCase(c, vortexFile.isEmpty() ? nullptr : &flow, vortexFile.isEmpty() ? nullptr : &loaded);
  ShowSettings(file.Settings);
  VortexFile_ = vortexFile;
  MarkSaved(fileName);
  AddRecent(fileName);
  return true;
}

bool TCaseController::SaveAs(const QString& fileName) {
  if (W_.ActiveRun() != TfrmMain::TRunKind::None) return false;
  QString problem;
  std::optional<TCaseFile> file = CurrentCase(&problem);
  if (!file) {
    W_.ShowText(problem);
    return false;
  }
  if (!VortexFile_.isEmpty()) file->VortexFile = VortexFileReference(Native(fileName), Native(VortexFile_));
  if (const TOutcome written = WriteCaseFile(Native(fileName), *file); !written) {
    W_.ShowText(U("Не удалось сохранить расчет: ") + QString::fromStdString(written.Message()));
    return false;
  }
  MarkSaved(fileName);
  AddRecent(fileName);
  return true;
}

bool TCaseController::MayDiscardChanges() {
  if (!Changed()) return true;
  const TUiServices& services = W_.UiServices();
  if (!services.askSaveChanges) return true;
  switch (services.askSaveChanges(&W_, U("Сохранить изменения в расчете «%1»?").arg(CaseName()))) {
    case TUiServices::TAnswer::No: return true;
    case TUiServices::TAnswer::Cancel: return false;
    case TUiServices::TAnswer::Yes: break;
  }
  QString fileName = FileName_;
  if (fileName.isEmpty() && services.saveCaseFile) fileName = services.saveCaseFile(&W_);
  return !fileName.isEmpty() && SaveAs(fileName);
}

void TCaseController::FlowChanged(const QString& vortexFile) {
  VortexFile_ = vortexFile.isEmpty() ? QString() : QFileInfo(vortexFile).absoluteFilePath();
}

void TCaseController::MarkSaved(const QString& fileName) {
  FileName_ = fileName.isEmpty() ? QString() : QFileInfo(fileName).absoluteFilePath();
  const std::optional<TCaseFile> now = CurrentCase();
  SavedText_ = now ? CaseFileText(*now) : std::string();
  ShowName();
}

void TCaseController::ShowName() { lbCaseName_->setText(U("Расчет: ") + CaseName()); }

void TCaseController::AddRecent(const QString& fileName) {
  const TUiServices& services = W_.UiServices();
  if (!services.loadRecentCases || !services.storeRecentCases) return;
  const QString path = QFileInfo(fileName).absoluteFilePath();
  QStringList recent = services.loadRecentCases();
  recent.removeAll(path);
  recent.prepend(path);
  while (recent.size() > RecentCount) recent.removeLast();
  services.storeRecentCases(recent);
}

void TCaseController::FillRecentMenu() {
  miRecentCases_->clear();
  const TUiServices& services = W_.UiServices();
  const QStringList recent = services.loadRecentCases ? services.loadRecentCases() : QStringList();
  if (recent.isEmpty()) {
    miRecentCases_->addAction(U("(нет)"))->setEnabled(false);
    return;
  }
  for (int i = 0; i < recent.size() && i < RecentCount; ++i) {
    const QString path = recent[i];
    QAction* a = miRecentCases_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
    a->setToolTip(path);
    connect(a, &QAction::triggered, this, [this, path] {
      if (W_.ActiveRun() != TfrmMain::TRunKind::None || !MayDiscardChanges()) return;
      if (!Open(path)) {
        // A case that cannot be opened any more leaves the list.
        const TUiServices& s = W_.UiServices();
        if (s.loadRecentCases && s.storeRecentCases) {
          QStringList list = s.loadRecentCases();
          list.removeAll(path);
          s.storeRecentCases(list);
        }
      }
    });
  }
}

void TCaseController::miOpenCaseClick() {
  if (W_.ActiveRun() != TfrmMain::TRunKind::None || !MayDiscardChanges()) return;
  const TUiServices& services = W_.UiServices();
  const QString fileName = services.openCaseFile ? services.openCaseFile(&W_) : QString();
  if (!fileName.isEmpty()) Open(fileName);
}

void TCaseController::miSaveCaseClick() {
  if (FileName_.isEmpty()) {
    miSaveCaseAsClick();
    return;
  }
  SaveAs(FileName_);
}

void TCaseController::miSaveCaseAsClick() {
  if (W_.ActiveRun() != TfrmMain::TRunKind::None) return;
  const TUiServices& services = W_.UiServices();
  const QString fileName = services.saveCaseFile ? services.saveCaseFile(&W_) : QString();
  if (!fileName.isEmpty()) SaveAs(fileName);
}

}  // namespace ltr
