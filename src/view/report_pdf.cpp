#include "view/report_pdf.h"

#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "dust/concentration_run.h"
#include "dust/result_texts.h"
#include "dust/run_statistics.h"
#include "io/file_access.h"
#include "model/discretization.h"
#include "model/fields.h"
#include "numerics/number_text.h"
#include "view/scene_file.h"
#include "view/scene_renderer.h"
#include "view/view_transform.h"
#include "view/sweep_plot.h"

namespace ltr {

namespace {

// The pictures are drawn at twice the width they take on the page, so that
// they stay sharp when printed.
constexpr int PageImageWidth = 620;
constexpr int ImageScale = 2;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
QString S(const std::string& text) { return QString::fromStdString(text); }
QString Esc(const QString& text) { return text.toHtmlEscaped(); }
QString Number(double value) { return S(FormatGeneral(value)); }

// A caption of a dialog field on one line.
QString OneLine(const char* caption) {
  QString text = U(caption).simplified();
  if (text.endsWith(QLatin1Char(':'))) text.chop(1);
  return text;
}

// The HTML of the report, section by section.
class THtml {
 public:
  void Heading(const QString& text) { html_ += "<h2>" + Esc(text) + "</h2>"; }
  // A heading that begins a page, for a picture that would not fit below it.
  void PageHeading(const QString& text) {
    html_ += "<h2 style=\"page-break-before: always\">" + Esc(text) + "</h2>";
  }
  void Paragraph(const QString& text) { html_ += "<p>" + Esc(text) + "</p>"; }
  void Rows(const std::vector<std::pair<QString, QString>>& rows) {
    html_ += "<table cellspacing=\"0\" cellpadding=\"2\">";
    for (const auto& [name, value] : rows)
      html_ += "<tr><td>" + Esc(name) + "</td><td>&nbsp;&nbsp;<b>" + Esc(value) + "</b></td></tr>";
    html_ += "</table>";
  }
  void Table(const QStringList& header, const std::vector<QStringList>& rows) {
    html_ += "<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
             "style=\"border-collapse: collapse\"><tr>";
    for (const QString& h : header) html_ += "<th>" + Esc(h) + "</th>";
    html_ += "</tr>";
    for (const QStringList& row : rows) {
      html_ += "<tr>";
      for (const QString& cell : row) html_ += "<td align=\"right\">" + Esc(cell) + "</td>";
      html_ += "</tr>";
    }
    html_ += "</table>";
  }
  void Image(const QString& name, int width) {
    html_ += "<p><img src=\"" + name + "\" width=\"" + QString::number(width) + "\"></p>";
  }
  void Raw(const QString& html) { html_ += html; }
  const QString& Text() const { return html_; }

 private:
  QString html_;
};

void Title(THtml& h, const QString& title, const std::string& version, const QDateTime& when) {
  h.Raw("<h1>" + Esc(title) + "</h1>");
  h.Rows({{U("Программа"), U("Квилон-ЛТР, версия ") + S(version)},
          {U("Дата"), when.toString(QStringLiteral("dd.MM.yyyy HH:mm"))}});
}

// The enclosure with its openings and separation points, the dust and its
// fractions.
void CaseSections(THtml& h, const TCase& c) {
  const TAreaParams& a = c.Area;
  h.Heading(U("Укрытие"));
  std::vector<std::pair<QString, QString>> area;
  for (const TAreaField& f : AreaFields) {
    const QString caption = f.Member == &TAreaParams::InflowSpeed ? U("Скорость в приточном отверстии, м/с")
                                                                  : OneLine(f.Caption);
    area.push_back({caption, Number(a.*f.Member)});
  }
  h.Rows(area);
  const Extended inflowEnd = static_cast<Extended>(a.InflowDistance) + a.InflowWidth;
  const Extended exhaustEnd = static_cast<Extended>(a.ExhaustHeight) + a.ExhaustWidth;
  h.Paragraph(U("Приточное отверстие: в потолке, от x = %1 до %2 м (скорость %3 м/с). Отсос: в правой стенке, "
                "от y = %4 до %5 м (скорость %6 м/с).")
                  .arg(Number(a.InflowDistance), S(FormatGeneral(inflowEnd)), Number(a.InflowSpeed),
                       Number(a.ExhaustHeight), S(FormatGeneral(exhaustEnd)), Number(a.Speed)));
  QStringList points;
  for (int i = 0; i < SeparationPointCount; ++i)
    points << U(SeparationPointCaptions[i]) + (c.Enabled[i] ? U(" — учитывается") : U(" — не учитывается"));
  h.Paragraph(U("Точки отрыва: ") + points.join(U("; ")) + ".");

  h.Heading(U("Пыль"));
  std::vector<std::pair<QString, QString>> dust;
  for (const TDustField& f : DustFields) {
    if (f.Member == &TDustParams::ParticleDt) continue;
    const QString caption = f.Member == &TDustParams::Gravity ? U("Ускорение свободного падения, м/с2")
                                                              : OneLine(f.Caption);
    dust.push_back({caption, Number(c.Dust.*f.Member)});
  }
  h.Rows(dust);
  std::vector<QStringList> fractions;
  for (size_t k = 0; k < c.Dust.Fractions.size(); ++k) {
    const TFraction& f = c.Dust.Fractions[k];
    fractions.push_back({QString::number(k + 1), S(MicrometresText(f.Lower)), S(MicrometresText(f.Upper)),
                         S(ShareText(f.Share))});
  }
  h.Paragraph(U("Дисперсный состав пыли в приточном воздухе:"));
  h.Table({U("№"), U("Нижняя граница фракции, мкм"), U("Верхняя граница фракции, мкм"), U("Доля частиц")},
          fractions);
}

QString ParticleStepText(const std::string& step) {
  if (step == "described") return U(ParticleStepCaptions[0]);
  if (step == "auto") return U(ParticleStepCaptions[1]);
  Extended value = 0;
  return ParseReal(step, value) ? U("задан, ") + S(FormatGeneral(value)) + U(" с") : S(step);
}

QString SeedText(const TSizeSeed& seed) {
  return seed.Kind == TSizeSeed::TKind::Value ? QString::number(seed.Value) : U("нет (начальная последовательность)");
}

// "a–b мг/м3" for an interval that is defined, a dash otherwise.
QString MgInterval(const TInterval& i) {
  if (!std::isfinite(i.Low) || !std::isfinite(i.High)) return U("—");
  return S(MilligramsText(i.Low)) + U("–") + S(MilligramsText(i.High)) + U(" мг/м3");
}

QString KgInterval(const TInterval& i) {
  if (!std::isfinite(i.Low) || !std::isfinite(i.High)) return U("—");
  return S(FormatFixed(i.Low, 8, 7)) + U("–") + S(FormatFixed(i.High, 8, 7)) + U(" кг/м3");
}

QByteArray Print(QTextDocument& document, const QString& title) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setTitle(title);
  writer.setCreator(U("Квилон-ЛТР"));
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(20, 15, 15, 15), QPageLayout::Millimeter);
  writer.setResolution(300);
  // Printed without a page size of its own, the document is broken into the
  // writer's pages with the page number below each.
  document.print(&writer);
  buffer.close();
  return bytes;
}

QTextDocument* NewDocument(QObject* parent) {
  auto* document = new QTextDocument(parent);
  QFont font = QGuiApplication::font();
  font.setPointSizeF(9.5);
  document->setDefaultFont(font);
  document->setDefaultStyleSheet(QStringLiteral(
      "h1 { font-size: 15pt; } h2 { font-size: 12pt; margin-top: 10px; } "
      "th { background-color: #e8e8e8; font-size: 7.5pt; } td { font-size: 8.5pt; }"));
  return document;
}

// A chart's frame: the plot rectangle, the horizontal grid with its labels,
// the title and the axis captions. Sizes follow the image's width (620
// pixels is the page's).
struct TChartFrame {
  QRectF plot;
  double k = 1.0;  // pixels of the image per pixel of the page
};

TChartFrame DrawFrame(QPainter& p, int width, int height, const QString& title, const QString& xCaption,
                      const QString& yCaption, double yMax, double yStep, int yDecimals) {
  const double k = width / static_cast<double>(PageImageWidth);
  TChartFrame frame{QRectF(58 * k, 26 * k, width - 76 * k, height - 66 * k), k};
  const QRectF& plot = frame.plot;
  QFont font = p.font();
  font.setPixelSize(static_cast<int>(11 * k));
  p.setFont(font);
  for (double y = 0; y <= yMax + yStep / 2; y += yStep) {
    const double at = plot.bottom() - y / yMax * plot.height();
    p.setPen(QPen(QColor(225, 225, 225), k));
    p.drawLine(QPointF(plot.left(), at), QPointF(plot.right(), at));
    p.setPen(Qt::black);
    p.drawText(QRectF(0, at - 8 * k, plot.left() - 5 * k, 16 * k), Qt::AlignRight | Qt::AlignVCenter,
               S(FormatFixed(y, 15, yDecimals)));
  }
  p.setPen(QPen(Qt::black, k));
  p.drawRect(plot);
  QFont bold = font;
  bold.setBold(true);
  p.setFont(bold);
  p.drawText(QRectF(0, 2 * k, width, plot.top() - 4 * k), Qt::AlignCenter, title);
  p.setFont(font);
  p.drawText(QRectF(plot.left(), height - 22 * k, plot.width(), 20 * k), Qt::AlignCenter, xCaption);
  p.save();
  p.translate(12 * k, plot.center().y());
  p.rotate(-90);
  p.drawText(QRectF(-plot.height() / 2, -10 * k, plot.height(), 20 * k), Qt::AlignCenter, yCaption);
  p.restore();
  return frame;
}

// The enclosure with its vortices drawn as the window draws it, scaled to
// fill the picture's width.
QImage DrawEnclosure(const TModelState& s, int width) {
  const int margin = width / 25;
  const double roomWidth = s.Area.RoomWidth > 0 ? s.Area.RoomWidth : 1.0;
  const double roomHeight = s.Area.RoomHeight > 0 ? s.Area.RoomHeight : 1.0;
  const double scale = std::min((width - 2.0 * margin) / roomWidth, (1.2 * width - 2.0 * margin) / roomHeight);
  const int height = static_cast<int>(std::ceil(roomHeight * scale)) + 2 * margin;
  TViewState view;
  view.Scale = scale;
  view.OriginX = margin;
  view.OriginY = height - margin;
  TSceneRenderer renderer;
  renderer.FullRedraw(s, width, height, view, TDrawToggles{});
  return renderer.SceneBitmap;
}

}  // namespace

QImage DrawCompositionChart(const TModelState& s, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const TRunTally& tally = s.OutputTally;
  const TFateTally total = tally.Total();
  const std::vector<TFraction>& fractions = s.RunCase.Dust.Fractions;
  const int K = static_cast<int>(std::min(tally.Fractions.size(), fractions.size()));
  const TChartFrame frame = DrawFrame(p, width, height, U("Состав пыли по фракциям (доли частиц)"),
                                      U("Фракция, мкм"), U("Доля"), 1.0, 0.2, 1);
  const QRectF& plot = frame.plot;
  const long long injected = total.CountOf(TFateKind::Injected);
  const long long exhausted = total.CountOf(TFateKind::Exhausted);
  const QColor inputColor(31, 119, 180), outputColor(255, 127, 14);
  const double k = frame.k;
  const double slot = K > 0 ? plot.width() / K : plot.width();
  for (int j = 0; j < K; ++j) {
    const TFateTally& f = tally.Fractions[j];
    const double in = injected > 0 ? static_cast<double>(f.CountOf(TFateKind::Injected)) / injected : 0.0;
    const double out = exhausted > 0 ? static_cast<double>(f.CountOf(TFateKind::Exhausted)) / exhausted : 0.0;
    const double left = plot.left() + slot * j + slot * 0.15;
    const double bar = slot * 0.35;
    p.fillRect(QRectF(left, plot.bottom() - in * plot.height(), bar, in * plot.height()), inputColor);
    p.fillRect(QRectF(left + bar, plot.bottom() - out * plot.height(), bar, out * plot.height()), outputColor);
    p.setPen(Qt::black);
    p.drawText(QRectF(plot.left() + slot * j, plot.bottom() + 3 * k, slot, 16 * k), Qt::AlignHCenter | Qt::AlignTop,
               S(MicrometresText(fractions[j].Lower)) + U("–") + S(MicrometresText(fractions[j].Upper)));
  }
  // The legend, in the upper right corner.
  const QRectF legend(plot.right() - 100 * k, plot.top() + 5 * k, 95 * k, 36 * k);
  p.fillRect(legend, Qt::white);
  p.fillRect(QRectF(legend.left() + 5 * k, legend.top() + 5 * k, 10 * k, 9 * k), inputColor);
  p.fillRect(QRectF(legend.left() + 5 * k, legend.top() + 21 * k, 10 * k, 9 * k), outputColor);
  p.drawText(QRectF(legend.left() + 20 * k, legend.top() + 1 * k, 75 * k, 16 * k), Qt::AlignVCenter, U("Введено"));
  p.drawText(QRectF(legend.left() + 20 * k, legend.top() + 17 * k, 75 * k, 16 * k), Qt::AlignVCenter,
             U("В отсосе"));
  p.end();
  return image;
}

QImage DrawGradeEfficiencyChart(const TModelState& s, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const TRunTally& tally = s.OutputTally;
  const TChartFrame frame =
      DrawFrame(p, width, height, U("Фракционный проскок"), U("Диаметр, мкм"), U("Проскок, %"), 100, 20, 0);
  const QRectF& plot = frame.plot;
  const double low = tally.ClassLow * 1e6, high = tally.ClassHigh * 1e6;
  if (high > low) {
    auto X = [&](double d) { return plot.left() + (d - low) / (high - low) * plot.width(); };
    auto Y = [&](double percent) { return plot.bottom() - percent / 100 * plot.height(); };
    // Ticks at the class bounds of the first, middle and last class.
    p.setPen(Qt::black);
    const double k = frame.k;
    for (double d : {low, (low + high) / 2, high})
      p.drawText(QRectF(X(d) - 40 * k, plot.bottom() + 3 * k, 80 * k, 16 * k), Qt::AlignHCenter | Qt::AlignTop,
                 S(FormatFixed(d, 4, 1)));
    QPainterPath line;
    bool first = true;
    std::vector<QPointF> points;
    for (int k = 0; k < static_cast<int>(tally.Classes.size()); ++k) {
      if (tally.Classes[k].CountOf(TFateKind::Injected) == 0) continue;
      const double middle = (tally.ClassLower(k) + tally.ClassUpper(k)) / 2 * 1e6;
      const QPointF at(X(middle), Y(Penetration(tally.Classes[k]) * 100));
      if (first) line.moveTo(at);
      else line.lineTo(at);
      first = false;
      points.push_back(at);
    }
    const QColor blue(31, 119, 180);
    p.setPen(QPen(blue, 1.5 * k));
    p.drawPath(line);
    p.setBrush(blue);
    for (const QPointF& at : points) p.drawEllipse(at, 2.5 * k, 2.5 * k);
  }
  p.end();
  return image;
}

QByteArray RunReportPdf(const TModelState& s, const QImage& picture, const std::string& version,
                        const QDateTime& when) {
  const TCase& c = s.RunCase;
  const TRunSettings& run = s.RunSettings;
  THtml h;
  Title(h, U("Отчет о расчете концентрации пыли в аспирационном укрытии"), version, when);
  CaseSections(h, c);

  h.Heading(U("Параметры расчета"));
  h.Rows({{U("Пылевых частиц в каждый момент"), QString::number(run.Particles)},
          {U("Моментов появления частиц"), QString::number(run.Moments)},
          {U("Движение свободных вихрей"), run.MoveVortices ? U("вихри движутся") : U("вихри неподвижны")},
          {U("Шаг интегрирования частиц"), ParticleStepText(run.ParticleStep)},
          {U("Шаг по времени для частиц, с"), S(FormatFixed(c.Dust.ParticleDt, 8, 7))},
          {U("Предельное время пребывания частицы, с"),
           s.MaxResidence > 0 ? Number(s.MaxResidence) : U("без ограничения")},
          {U("Зерно генератора размеров частиц"), SeedText(s.RunSeed)},
          {U("Поток: время моделирования, с"), S(FormatFixed(s.Time, 6, 3))},
          {U("Поток: свободных вихрей"), QString::number(s.FreeCount)}});

  h.PageHeading(U("Укрытие с вихрями"));
  h.Image(QStringLiteral("scene"), PageImageWidth);

  h.Heading(U("Результаты"));
  const TOutletStatistics stats = OutletStatistics(s.OutputTally.Total(), s.RealInputConcentration);
  h.Rows({{U("Полученная входная концентрация"),
           S(ConcentrationText(s.RealInputConcentration)) + " (" + S(MilligramsText(s.RealInputConcentration)) +
               U(" мг/м3)")},
          {U("Выходная концентрация"),
           S(ConcentrationText(s.OutputConcentration)) + " (" + S(MilligramsText(s.OutputConcentration)) +
               U(" мг/м3)")},
          {U("95 % интервал выходной концентрации"), KgInterval(stats.Output95) + "; " + MgInterval(stats.Output95)},
          {U("Проскок пыли по массе, %"),
           S(PercentText(stats.Penetration)) +
               (std::isfinite(stats.Penetration95.Low)
                    ? U(" (95 %: ") + S(PercentText(stats.Penetration95.Low)) + U("–") +
                          S(PercentText(stats.Penetration95.High)) + ")"
                    : QString())},
          {U("Задержано в потоке частиц"),
           QString::number(s.HeldCount) + U(" (доля массы: ") + S(FormatFixed(s.HeldMassShare, 5, 4)) + ")"}});
  std::vector<QStringList> outlet;
  for (size_t k = 0; k < s.OutputFractions.size(); ++k) {
    const TFraction& f = s.OutputFractions[k];
    outlet.push_back(
        {QString::number(k + 1), S(MicrometresText(f.Lower)), S(MicrometresText(f.Upper)), S(ShareText(f.Share))});
  }
  h.Paragraph(U("Дисперсный состав пыли в отсасываемом воздухе:"));
  h.Table({U("№"), U("Нижняя граница фракции, мкм"), U("Верхняя граница фракции, мкм"), U("Доля частиц")}, outlet);

  h.Heading(U("Судьба частиц"));
  const TRunTally& tally = s.OutputTally;
  const TFateTally total = tally.Total();
  const long long exhaustedTotal = total.CountOf(TFateKind::Exhausted);
  std::vector<QStringList> fates;
  auto fateRow = [&](const QString& name, const TFateTally& t) {
    QStringList row{name};
    for (TFateKind kind :
         {TFateKind::Injected, TFateKind::Exhausted, TFateKind::Settled, TFateKind::AtRest, TFateKind::Held})
      row << QString::number(t.CountOf(kind));
    row << S(PercentText(Penetration(t)));
    const double share =
        exhaustedTotal > 0 ? static_cast<double>(t.CountOf(TFateKind::Exhausted)) / exhaustedTotal : 0.0;
    row << S(ShareText(share));
    fates.push_back(row);
  };
  const size_t K = std::min(tally.Fractions.size(), c.Dust.Fractions.size());
  for (size_t k = 0; k < K; ++k)
    fateRow(S(MicrometresText(c.Dust.Fractions[k].Lower)) + U("–") + S(MicrometresText(c.Dust.Fractions[k].Upper)),
            tally.Fractions[k]);
  fateRow(U("Всего"), total);
  h.Table({U("Фракция, мкм"), U("Введено"), U("Ушло в отсос"), U("Осело на дно"), U("Остановилось"),
           U("Задержано"), U("Проскок по массе, %"), U("Доля в отсосе")},
          fates);

  h.Heading(U("Графики"));
  h.Image(QStringLiteral("composition"), PageImageWidth);
  h.Image(QStringLiteral("grade"), PageImageWidth);

  QObject owner;
  QTextDocument* document = NewDocument(&owner);
  const QImage scene = picture.isNull() ? DrawEnclosure(s, PageImageWidth * ImageScale) : picture;
  document->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("scene")), scene);
  document->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("composition")),
                        DrawCompositionChart(s, PageImageWidth * ImageScale, 330 * ImageScale));
  document->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("grade")),
                        DrawGradeEfficiencyChart(s, PageImageWidth * ImageScale, 330 * ImageScale));
  document->setHtml(h.Text());
  return Print(*document, U("Отчет о расчете концентрации пыли"));
}

QByteArray StudyReportPdf(const TStudy& study, const std::vector<TStudyRow>& rows, const std::string& version,
                          const QDateTime& when) {
  THtml h;
  Title(h, U("Отчет об исследовании параметра"), version, when);
  CaseSections(h, study.Case);

  QString caption = S(study.Field);
  if (const TAreaField* f = FindAreaField(study.Field); f != nullptr && *f->Control != '\0')
    caption = OneLine(f->Caption);
  else if (const TDustField* d = FindDustField(study.Field); d != nullptr && *d->Control != '\0')
    caption = OneLine(d->Caption);
  QString flow;
  if (!study.Flow.File.empty())
    flow = U("из файла вихревой структуры ") + QString::fromStdString(study.Flow.File);
  else if (study.Flow.Run)
    flow = U("расчет движения вихрей до %1 с (шаг %2 с, не более %3 свободных вихрей)")
               .arg(Number(study.Flow.MaxTime), Number(study.Flow.Dt))
               .arg(study.Flow.MaxFree);
  else
    flow = U("установившийся поток присоединенных вихрей");
  QStringList values;
  for (double v : study.Values) values << Number(v);
  h.Heading(U("Исследование"));
  h.Rows({{U("Параметр"), caption + " (" + S(study.Field) + ")"},
          {U("Значения"), values.join(U("; "))},
          {U("Поток"), flow},
          {U("Пылевых частиц в каждый момент"), QString::number(study.Particles)},
          {U("Моментов появления частиц"), QString::number(study.Moments)},
          {U("Движение свободных вихрей"), study.MoveVortices ? U("вихри движутся") : U("вихри неподвижны")},
          {U("Предельное время пребывания частицы, с"),
           study.MaxResidence > 0 ? Number(study.MaxResidence) : U("без ограничения")},
          {U("Зерно генератора размеров частиц"),
           rows.empty() ? SeedText(study.Run.Seed) : SeedText(TSizeSeed::Fixed(rows.front().Seed))}});

  h.Heading(U("Результаты"));
  std::vector<QStringList> table;
  for (const TStudyRow& row : rows) {
    if (!row.Completed) {
      table.push_back({Number(row.Value), U("остановлен"), U("—"), U("—"), U("—"), U("—")});
      continue;
    }
    QStringList shares;
    for (double share : row.OutletShares) shares << S(ShareText(share));
    table.push_back({Number(row.Value), S(MilligramsText(row.OutputConcentration)), MgInterval(row.Output95),
                     S(PercentText(row.Penetration)), shares.join(U("; ")), S(FormatFixed(row.HeldMassShare, 5, 4))});
  }
  h.Table({caption, U("Выходная концентрация, мг/м3"), U("95 % интервал"), U("Проскок, %"), U("Доли на выходе"),
           U("Задержано, доля массы")},
          table);
  h.Image(QStringLiteral("plot"), PageImageWidth);

  std::vector<TSweepPoint> points;
  for (const TStudyRow& row : rows)
    if (row.Completed) points.push_back({row.Value, row.OutputConcentration, row.Output95.Low, row.Output95.High});
  QObject owner;
  QTextDocument* document = NewDocument(&owner);
  document->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("plot")),
                        DrawSweepPlot(points, caption.toStdString(), 800, 480));
  document->setHtml(h.Text());
  return Print(*document, U("Отчет об исследовании параметра"));
}

bool WriteReportFile(const QByteArray& pdf, const std::string& fileName, std::string& reason) {
  if (pdf.isEmpty()) {
    reason = "не удалось составить отчет";
    return false;
  }
  return ReplaceFileContents(fileName, reinterpret_cast<const std::uint8_t*>(pdf.constData()),
                             static_cast<std::size_t>(pdf.size()), reason);
}

}  // namespace ltr
