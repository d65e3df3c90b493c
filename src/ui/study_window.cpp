#include "ui/study_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <new>

#include "dust/result_texts.h"
#include "io/file_access.h"
#include "ltr/version.h"
#include "model/fields.h"
#include "numerics/number_text.h"
#include "numerics/random.h"
#include "ui/number_field.h"
#include "view/report_pdf.h"
#include "view/scene_file.h"
#include "view/sweep_plot.h"

namespace ltr {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
QString S(const std::string& text) { return QString::fromStdString(text); }
std::string Native(const QString& fileName) { return QFile::encodeName(fileName).toStdString(); }

// A field's caption on one line, with its unit.
QString CaptionWithUnit(const char* caption, const char* unit) {
  QString text = U(caption).simplified();
  if (text.endsWith(QLatin1Char(':'))) text.chop(1);
  const QString u = U(unit);
  if (!u.isEmpty() && !text.endsWith(QStringLiteral(", ") + u)) text += QStringLiteral(", ") + u;
  return text;
}

// The flows a study's rows may run in.
enum TFlowChoice { SteadyFlow = 0, VortexRunFlow = 1, FileFlow = 2 };

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

TNumberField* IntegerField(QWidget* parent, const char* name, int low, int high, int value) {
  auto* field = new TNumberField(parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setDecimals(0);
  field->setRange(low, high);
  field->setSingleStep(1);
  field->setValue(value);
  field->FitWidth(60);
  return field;
}

}  // namespace

TfrmStudy::TfrmStudy(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint) {
  setObjectName(QStringLiteral("frmStudy"));
  setWindowTitle(U("Исследование параметра"));
  resize(940, 700);
  auto* root = new QVBoxLayout(this);

  auto* settings = new QGroupBox(U(" Исследование "), this);
  auto* grid = new QGridLayout(settings);
  grid->setColumnStretch(1, 1);
  cbField_ = new QComboBox(settings);
  cbField_->setObjectName(QStringLiteral("cbField"));
  for (const TAreaField& f : AreaFields)
    if (*f.Control != '\0') cbField_->addItem(CaptionWithUnit(f.Caption, f.Unit), QString::fromLatin1(f.Name));
  for (const TDustField& f : DustFields)
    if (*f.Control != '\0') cbField_->addItem(CaptionWithUnit(f.Caption, f.Unit), QString::fromLatin1(f.Name));
  grid->addWidget(new QLabel(U("Параметр:"), settings), 0, 0);
  grid->addWidget(cbField_, 0, 1, 1, 5);

  rbList_ = new QRadioButton(U("Значения:"), settings);
  rbList_->setObjectName(QStringLiteral("rbList"));
  edValues_ = new QLineEdit(settings);
  edValues_->setObjectName(QStringLiteral("edValues"));
  edValues_->setPlaceholderText(U("через точку с запятой, например 2; 2,5; 3"));
  grid->addWidget(rbList_, 1, 0);
  grid->addWidget(edValues_, 1, 1, 1, 5);
  rbRange_ = new QRadioButton(U("Диапазон: от"), settings);
  rbRange_->setObjectName(QStringLiteral("rbRange"));
  edFrom_ = new QLineEdit(settings);
  edFrom_->setObjectName(QStringLiteral("edFrom"));
  edTo_ = new QLineEdit(settings);
  edTo_->setObjectName(QStringLiteral("edTo"));
  edSteps_ = IntegerField(settings, "edSteps", 2, MaxStudyValues, 5);
  auto* range = new QHBoxLayout;
  range->addWidget(edFrom_);
  range->addWidget(new QLabel(U("до"), settings));
  range->addWidget(edTo_);
  range->addWidget(new QLabel(U("значений:"), settings));
  range->addWidget(edSteps_);
  range->addStretch(1);
  grid->addWidget(rbRange_, 2, 0);
  grid->addLayout(range, 2, 1, 1, 5);
  rbList_->setChecked(true);
  auto syncValues = [this] {
    edValues_->setEnabled(rbList_->isChecked());
    for (QWidget* w : {static_cast<QWidget*>(edFrom_), static_cast<QWidget*>(edTo_), static_cast<QWidget*>(edSteps_)})
      w->setEnabled(rbRange_->isChecked());
  };
  connect(rbList_, &QRadioButton::toggled, this, syncValues);
  syncValues();

  edParticles_ = IntegerField(settings, "edParticles", 2, 200, DefaultParticleCount);
  edMoments_ = IntegerField(settings, "edMoments", 2, 200, DefaultMomentCount);
  edSeed_ = new QLineEdit(settings);
  edSeed_->setObjectName(QStringLiteral("edSeed"));
  edSeed_->setPlaceholderText(U("от часов"));
  auto* counts = new QHBoxLayout;
  counts->addWidget(new QLabel(U("Частиц в каждый момент:"), settings));
  counts->addWidget(edParticles_);
  counts->addSpacing(12);
  counts->addWidget(new QLabel(U("Моментов:"), settings));
  counts->addWidget(edMoments_);
  counts->addSpacing(12);
  counts->addWidget(new QLabel(U("Зерно:"), settings));
  counts->addWidget(edSeed_);
  counts->addStretch(1);
  grid->addLayout(counts, 3, 0, 1, 6);
  cbFlow_ = new QComboBox(settings);
  cbFlow_->setObjectName(QStringLiteral("cbFlow"));
  grid->addWidget(new QLabel(U("Поток:"), settings), 4, 0);
  grid->addWidget(cbFlow_, 4, 1, 1, 5);
  auto* note = new QLabel(U("Остальные параметры расчета концентрации — как на страницах главного окна."), settings);
  note->setWordWrap(true);
  grid->addWidget(note, 5, 0, 1, 6);
  root->addWidget(settings);

  auto* runLine = new QHBoxLayout;
  btnStart_ = new QPushButton(U("Начать"), this);
  btnStart_->setObjectName(QStringLiteral("btnStartStudy"));
  btnStart_->setAutoDefault(false);
  btnStop_ = new QPushButton(U("Остановить"), this);
  btnStop_->setObjectName(QStringLiteral("btnStopStudy"));
  btnStop_->setAutoDefault(false);
  btnStop_->setEnabled(false);
  pbStudy_ = new QProgressBar(this);
  pbStudy_->setObjectName(QStringLiteral("pbStudy"));
  pbStudy_->setRange(0, 1000);
  pbStudy_->setValue(0);
  pbStudy_->setTextVisible(true);
  pbStudy_->setFormat(QString());
  runLine->addWidget(btnStart_);
  runLine->addWidget(btnStop_);
  runLine->addWidget(pbStudy_, 1);
  root->addLayout(runLine);

  auto* results = new QHBoxLayout;
  sgRows_ = new QTableWidget(0, 6, this);
  sgRows_->setObjectName(QStringLiteral("sgRows"));
  sgRows_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sgRows_->setSelectionMode(QAbstractItemView::NoSelection);
  sgRows_->verticalHeader()->hide();
  sgRows_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  sgRows_->setWordWrap(false);
  lbChart_ = new QLabel(this);
  lbChart_->setObjectName(QStringLiteral("lbChart"));
  lbChart_->setMinimumSize(360, 260);
  lbChart_->setAlignment(Qt::AlignCenter);
  lbChart_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  results->addWidget(sgRows_, 3);
  results->addWidget(lbChart_, 2);
  root->addLayout(results, 1);

  auto* bottom = new QHBoxLayout;
  btnExport_ = new QPushButton(U("Экспорт CSV…"), this);
  btnExport_->setObjectName(QStringLiteral("btnExportStudy"));
  btnSavePlot_ = new QPushButton(U("Сохранить график…"), this);
  btnSavePlot_->setObjectName(QStringLiteral("btnSavePlot"));
  btnReport_ = new QPushButton(U("Отчет…"), this);
  btnReport_->setObjectName(QStringLiteral("btnReportStudy"));
  btnClose_ = new QPushButton(U("Закрыть"), this);
  btnClose_->setObjectName(QStringLiteral("btnCloseStudy"));
  for (QPushButton* b : {btnExport_, btnSavePlot_, btnReport_, btnClose_}) {
    b->setAutoDefault(false);
    bottom->addWidget(b);
  }
  bottom->insertStretch(3, 1);
  root->addLayout(bottom);

  connect(btnStart_, &QPushButton::clicked, this, &TfrmStudy::btnStartClick);
  connect(btnStop_, &QPushButton::clicked, this, &TfrmStudy::btnStopClick);
  connect(btnExport_, &QPushButton::clicked, this, &TfrmStudy::btnExportClick);
  connect(btnSavePlot_, &QPushButton::clicked, this, &TfrmStudy::btnSavePlotClick);
  connect(btnReport_, &QPushButton::clicked, this, &TfrmStudy::btnReportClick);
  connect(btnClose_, &QPushButton::clicked, this, &TfrmStudy::reject);
  SetRunning(false);
  ShowHeader();
}

void TfrmStudy::SetCase(const TCaseFile& file) {
  Case_ = file;
  CompleteCase(Case_);
  const TCaseSettings& s = file.Settings;
  edParticles_->setValue(s.Particles.value_or(DefaultParticleCount));
  edMoments_->setValue(s.Moments.value_or(DefaultMomentCount));
  // The value of the field chosen, as a start for the values typed.
  auto showValue = [this] {
    double value = 0;
    if (!CaseFieldValue(Case_.Case, cbField_->currentData().toString().toStdString(), value)) return;
    if (edValues_->text().isEmpty()) edValues_->setText(S(FormatGeneral(value)));
  };
  connect(cbField_, &QComboBox::currentIndexChanged, this, showValue);
  connect(cbField_, &QComboBox::currentIndexChanged, this, [this] {
    if (Rows_.empty()) ShowHeader();
  });
  showValue();
  cbFlow_->clear();
  cbFlow_->addItem(U("установившийся поток присоединенных вихрей"), SteadyFlow);
  cbFlow_->addItem(U("расчет движения вихрей до %1 с для каждого значения (страница «Расчет поля скоростей»)")
                       .arg(S(FormatGeneral(s.MaxTime.value_or(1.0)))),
                   VortexRunFlow);
  if (!file.VortexFile.empty())
    cbFlow_->addItem(U("вихревая структура из файла «%1» (только для параметров пыли)")
                         .arg(QFileInfo(QFile::decodeName(QByteArray::fromStdString(file.VortexFile))).fileName()),
                     FileFlow);
}

QString TfrmStudy::FieldCaption() const { return cbField_->currentText(); }

void TfrmStudy::ShowHeader() {
  sgRows_->setHorizontalHeaderLabels({FieldCaption(), U("Выходная, мг/м3"), U("95 %, мг/м3"), U("Проскок, %"),
                                      U("Доли на выходе"), U("Задержано")});
  // The long texts of the header, in full.
  const QString tips[] = {FieldCaption(), U("Выходная концентрация, мг/м3"),
                          U("95 % интервал выходной концентрации, мг/м3"), U("Проскок пыли по массе, %"),
                          U("Доли частиц по фракциям в отсасываемом воздухе"),
                          U("Доля массы частиц, задержанных в потоке")};
  for (int c = 0; c < 6; ++c) sgRows_->horizontalHeaderItem(c)->setToolTip(tips[c]);
}

void TfrmStudy::ShowMessage(const QString& text) {
  if (Services_.message) Services_.message(this, text);
}

std::optional<TStudy> TfrmStudy::Study() {
  auto fail = [this](const QString& text) -> std::optional<TStudy> {
    ShowMessage(text);
    return std::nullopt;
  };
  auto real = [](const QString& text, const QString& caption, double& value) -> QString {
    Extended v = 0;
    if (text.trimmed().isEmpty()) return U("Не заполнено поле «%1»").arg(caption);
    if (!ParseReal(text.toStdString(), v) || !std::isfinite(static_cast<double>(ToDouble(v))))
      return U("«%1» не является числом (поле «%2»)").arg(text.trimmed(), caption);
    value = ToDouble(v);
    return {};
  };
  TStudy study;
  study.Case = Case_.Case;
  study.InflowSpeedGiven = Case_.InflowSpeedGiven;
  study.Field = cbField_->currentData().toString().toStdString();
  if (rbList_->isChecked()) {
    for (const QString& item : edValues_->text().split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      double value = 0;
      if (QString problem = real(item, U("Значения"), value); !problem.isEmpty()) return fail(problem);
      study.Values.push_back(value);
    }
    if (study.Values.empty()) return fail(U("Не заполнено поле «Значения»"));
  } else {
    double from = 0, to = 0;
    if (QString problem = real(edFrom_->text(), U("от"), from); !problem.isEmpty()) return fail(problem);
    if (QString problem = real(edTo_->text(), U("до"), to); !problem.isEmpty()) return fail(problem);
    if (QString problem = edSteps_->Problem(U("значений")); !problem.isEmpty()) return fail(problem);
    study.Values = StudyRange(from, to, static_cast<int>(std::nearbyint(edSteps_->value())));
  }
  for (TNumberField* field : {edParticles_, edMoments_})
    if (QString problem = field->Problem(field == edParticles_ ? U("Частиц в каждый момент") : U("Моментов"));
        !problem.isEmpty())
      return fail(problem);
  study.Particles = static_cast<int>(std::nearbyint(edParticles_->value()));
  study.Moments = static_cast<int>(std::nearbyint(edMoments_->value()));
  const QString seed = edSeed_->text().trimmed();
  if (seed.isEmpty()) {
    study.Run.Seed = TSizeSeed::FromClock();
  } else {
    bool ok = false;
    const qulonglong value = seed.toULongLong(&ok);
    if (!ok || seed.startsWith(QLatin1Char('+')))
      return fail(U("«%1» не является целым неотрицательным числом (поле «Зерно»)").arg(seed));
    study.Run.Seed = TSizeSeed::Fixed(value);
  }
  // The runs as the main window's pages set them.
  const TCaseSettings& s = Case_.Settings;
  study.MoveVortices = s.MoveVortices.value_or(false);
  study.MaxResidence = s.MaxResidence.value_or(DefaultMaxResidence);
  study.Run.ParticleStep = s.ParticleStep.value_or(TParticleStepMode::Described());
  study.Compute.Fast = s.FastConcentration.value_or(false);
  study.Compute.ExhaustVortices = s.ExhaustRemoval.value_or(false);
  study.Flow.MaxFree = s.MaxFree.value_or(study.Flow.MaxFree);
  study.Flow.MaxTime = s.MaxTime.value_or(study.Flow.MaxTime);
  study.Flow.Dt = s.Dt.value_or(study.Flow.Dt);
  study.DtGiven = s.Dt.has_value();
  switch (cbFlow_->currentData().toInt()) {
    case VortexRunFlow: study.Flow.Run = true; break;
    case FileFlow: study.Flow.File = Case_.VortexFile; break;
    default: break;
  }
  return study;
}

void TfrmStudy::SetRunning(bool running) {
  Running_ = running;
  btnStart_->setEnabled(!running);
  btnStop_->setEnabled(running);
  for (QWidget* w : std::initializer_list<QWidget*>{cbField_, rbList_, rbRange_, edParticles_, edMoments_, edSeed_,
                                                    cbFlow_, btnExport_, btnSavePlot_, btnReport_})
    w->setEnabled(!running);
  edValues_->setEnabled(!running && rbList_->isChecked());
  for (QWidget* w : {static_cast<QWidget*>(edFrom_), static_cast<QWidget*>(edTo_), static_cast<QWidget*>(edSteps_)})
    w->setEnabled(!running && rbRange_->isChecked());
}

void TfrmStudy::btnStartClick() {
  if (Running_) return;
  std::optional<TStudy> study = Study();
  if (!study) return;
  if (std::string error = CheckStudy(*study); !error.empty()) {
    ShowMessage(S(error));
    return;
  }
  // One seed for all the rows, drawn now so that the report can name it.
  if (study->Run.Seed.Kind == TSizeSeed::TKind::Clock) study->Run.Seed = TSizeSeed::Fixed(ClockSeed());
  Shown_ = *study;
  Rows_.clear();
  sgRows_->setRowCount(0);
  ShowHeader();
  DrawChart();
  StopRequested_ = false;
  CloseAfterRun_ = false;
  RunParticles_ = static_cast<long long>(study->Particles) * study->Moments;
  SetRunning(true);
  pbStudy_->setValue(0);
  std::vector<TStudyRow> rows;
  TOutcome outcome;
  try {
    outcome = RunStudy(Shown_, *this, rows);
  } catch (const std::bad_alloc&) {
    outcome = TOutcome::Failure("Недостаточно памяти для расчета");
  }
  SetRunning(false);
  if (outcome.Ok()) {
    pbStudy_->setValue(pbStudy_->maximum());
    pbStudy_->setFormat(U("Готово: %1 значений").arg(Rows_.size()));
  } else if (outcome.Kind() == TOutcome::TKind::Stopped) {
    pbStudy_->setFormat(U("Остановлено: %1 из %2 значений").arg(Rows_.size()).arg(ValueCount_));
  } else {
    pbStudy_->setFormat(U("Прервано"));
  }
  if (!outcome.Message().empty()) ShowMessage(S(outcome.Message()));
  if (CloseAfterRun_) QDialog::reject();
}

void TfrmStudy::btnStopClick() { StopRequested_ = true; }

void TfrmStudy::StudyValue(int k, int count, double value) {
  ValueIndex_ = k;
  ValueCount_ = count;
  Value_ = value;
  ShowProgress(0.0, U("расчет потока"));
}

void TfrmStudy::ShowProgress(double withinRun, const QString& detail) {
  const int count = std::max(ValueCount_, 1);
  const double done = (ValueIndex_ + std::clamp(withinRun, 0.0, 1.0)) / count;
  pbStudy_->setValue(static_cast<int>(done * pbStudy_->maximum()));
  pbStudy_->setFormat(U("Значение %1 из %2 (%3): %4")
                          .arg(ValueIndex_ + 1)
                          .arg(ValueCount_)
                          .arg(S(FormatGeneral(Value_)), detail));
}

void TfrmStudy::ConcentrationProgress(int moment, int moments, int inFlight, long long, double) {
  if (moment > 0) {
    ShowProgress(0.5 * moment / std::max(moments, 1), U("момент %1 из %2").arg(moment).arg(moments));
  } else {
    const double left = RunParticles_ > 0 ? static_cast<double>(inFlight) / static_cast<double>(RunParticles_) : 0;
    ShowProgress(0.5 + 0.5 * (1 - left), U("частиц в полете: %1").arg(inFlight));
  }
}

void TfrmStudy::VortexRunProgress(double time, double, double maxTime) {
  ShowProgress(0.0, U("поток: %1 из %2 с").arg(S(FormatFixed(time, 6, 3)), S(FormatGeneral(maxTime))));
}

void TfrmStudy::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TfrmStudy::StudyRow(const TStudyRow& row) {
  Rows_.push_back(row);
  AddRow(row);
  DrawChart();
}

void TfrmStudy::AddRow(const TStudyRow& row) {
  const int r = sgRows_->rowCount();
  sgRows_->setRowCount(r + 1);
  sgRows_->setItem(r, 0, Cell(S(FormatGeneral(row.Value))));
  if (!row.Completed) {
    sgRows_->setItem(r, 1, Cell(U("остановлен")));
    return;
  }
  QString interval = U("—");
  if (std::isfinite(row.Output95.Low) && std::isfinite(row.Output95.High))
    interval = S(MilligramsText(row.Output95.Low)) + U("–") + S(MilligramsText(row.Output95.High));
  QStringList shares;
  for (double share : row.OutletShares) shares << S(ShareText(share));
  sgRows_->setItem(r, 1, Cell(S(MilligramsText(row.OutputConcentration))));
  sgRows_->setItem(r, 2, Cell(interval));
  sgRows_->setItem(r, 3, Cell(S(PercentText(row.Penetration))));
  sgRows_->setItem(r, 4, Cell(shares.join(U("; "))));
  sgRows_->setItem(r, 5, Cell(S(FormatFixed(row.HeldMassShare, 5, 4))));
  sgRows_->scrollToBottom();
}

void TfrmStudy::DrawChart() {
  std::vector<TSweepPoint> points;
  for (const TStudyRow& row : Rows_)
    if (row.Completed) points.push_back({row.Value, row.OutputConcentration, row.Output95.Low, row.Output95.High});
  const QSize size = lbChart_->size().expandedTo(QSize(360, 260));
  lbChart_->setPixmap(
      QPixmap::fromImage(DrawSweepPlot(points, FieldCaption().toStdString(), size.width(), size.height())));
}

void TfrmStudy::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  DrawChart();
}

void TfrmStudy::btnExportClick() {
  if (!Services_.saveTableFile) return;
  const QString fileName = Services_.saveTableFile(this);
  if (fileName.isEmpty()) return;
  const int K = StudyFractionCount(Shown_);
  std::string csv = StudyCsvHeader(K);
  for (const TStudyRow& row : Rows_) csv += StudyCsvRow(Shown_.Field, row, K);
  std::string reason;
  if (!ReplaceFileText(Native(fileName), csv, reason))
    ShowMessage(U("Не удалось записать файл %1: %2").arg(fileName, S(reason)));
}

void TfrmStudy::btnSavePlotClick() {
  if (!Services_.savePictureFile) return;
  const QString fileName = Services_.savePictureFile(this);
  if (fileName.isEmpty()) return;
  std::vector<TSweepPoint> points;
  for (const TStudyRow& row : Rows_)
    if (row.Completed) points.push_back({row.Value, row.OutputConcentration, row.Output95.Low, row.Output95.High});
  std::string error;
  if (!SaveImagePng(DrawSweepPlot(points, FieldCaption().toStdString()), Native(fileName), &error))
    ShowMessage(U("Не удалось сохранить график: ") + S(error));
}

void TfrmStudy::btnReportClick() {
  if (!Services_.saveReportFile) return;
  const QString fileName = Services_.saveReportFile(this);
  if (fileName.isEmpty()) return;
  std::string reason;
  if (!WriteReportFile(StudyReportPdf(Shown_, Rows_, VersionText, QDateTime::currentDateTime()), Native(fileName),
                       reason))
    ShowMessage(U("Не удалось записать отчет в файл %1: %2").arg(fileName, S(reason)));
}

void TfrmStudy::reject() {
  // Closing during the study stops it; the window closes once it has.
  if (Running_) {
    StopRequested_ = true;
    CloseAfterRun_ = true;
    return;
  }
  QDialog::reject();
}

void TfrmStudy::closeEvent(QCloseEvent* event) {
  if (Running_) {
    StopRequested_ = true;
    CloseAfterRun_ = true;
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace ltr
