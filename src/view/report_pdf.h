#pragma once
// The report to hand in: one PDF (A4, page numbers, the fonts embedded) with
// the title, the date and the program's version, the case (the enclosure
// with its openings, the separation points, the dust and its fractions, the
// run's settings and seed), the picture of the enclosure with its vortices,
// and the results: of a concentration run with their 95 % intervals in kg/m3
// and mg/m3, the fates of the particles and the two charts of the details
// window; of a study its table and chart. The results window, the details
// window, the study window and ltr-cli write it. Text needs a running
// QGuiApplication.

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <string>
#include <vector>

#include "dust/study.h"
#include "model/model_state.h"

namespace ltr {

// The report of the last complete concentration run of s (the case it ran,
// its settings and seed, the flow's time and free vortices, its results).
// `picture` is the enclosure as shown; a null image is drawn anew from s.
QByteArray RunReportPdf(const TModelState& s, const QImage& picture, const std::string& version,
                        const QDateTime& when);

// The report of a study: its case and settings, the flow its rows ran in,
// the rows made so far and the chart of the outlet concentration.
QByteArray StudyReportPdf(const TStudy& study, const std::vector<TStudyRow>& rows, const std::string& version,
                          const QDateTime& when);

// Writes a report through the atomic replacement: false with the reason (in
// Russian) when it cannot be written, an existing file then left as it was.
bool WriteReportFile(const QByteArray& pdf, const std::string& fileName, std::string& reason);

// The charts of a run as the report draws them: the input against the
// outlet composition by number, and the penetration by size class.
QImage DrawCompositionChart(const TModelState& s, int width, int height);
QImage DrawGradeEfficiencyChart(const TModelState& s, int width, int height);

}  // namespace ltr
