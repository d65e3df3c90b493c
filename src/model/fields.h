#pragma once
// The editable values of the enclosure and of the dust, described once: the
// member of the model, the name in case files and --set, the unit, the range,
// the decimals and the caption of the dialog field. The case-file reader,
// --set, ltr-cli info, the vortex file and the two dialogs read these tables.

#include <array>
#include <string_view>

#include "model/model_state.h"

namespace ltr {

// Largest magnitude a dust field accepts: it only keeps the values finite.
inline constexpr double DustFieldLimit = 1e12;

struct TAreaField {
  double TAreaParams::*Member;
  const char* Name;     // in case files, --set and ltr-cli info
  const char* Unit;
  const char* Control;  // the dialog field's object name; empty: not typed
  const char* Caption;  // the dialog field's label
  double Minimum;       // the typed range, both ends included
  double Maximum;
  int Decimals;         // shown in the dialog
};

// In the order of the vortex structure file's header.
inline constexpr std::array<TAreaField, 9> AreaFields = {{
    {&TAreaParams::H, "H", "м", "edH", "Расстояние между присоед. \nвихрями (расч. точками), м", 0.0001, 1, 5},
    {&TAreaParams::Speed, "Speed", "м/с", "edSpeed", "Скорость в отсосе, м/с", 0.0001, 100, 5},
    // Derived from the fields, shown beside them; any finite value above 0.
    {&TAreaParams::InflowSpeed, "InflowSpeed", "м/с", "", "( Скорость в приточ. отверстии = ", 0, 0, 5},
    {&TAreaParams::RoomHeight, "RoomHeight", "м", "edRoomHeight", "Высота укрытия, м", 0.0001, 10, 5},
    {&TAreaParams::RoomWidth, "RoomWidth", "м", "edRoomWidth", "Ширина укрытия, м", 0.0001, 15, 5},
    {&TAreaParams::ExhaustWidth, "ExhaustWidth", "м", "edExhaustWidth", "Ширина отсоса, м", 0.0001, 15, 5},
    {&TAreaParams::ExhaustHeight, "ExhaustHeight", "м", "edExhaustHeight", "Расстояние между отсосом\nи полом, м",
     0.0001, 15, 5},
    {&TAreaParams::InflowWidth, "InflowWidth", "м", "edInflowWidth", "Ширина приточного отверстия, м", 0.0001, 15,
     5},
    {&TAreaParams::InflowDistance, "InflowDistance", "м", "edInflowDistance",
     "Расстояние между приточным\nотверстием и левой стенкой, м", 0.0001, 15, 5},
}};

struct TDustField {
  double TDustParams::*Member;
  const char* Name;     // in case files and --set
  const char* Unit;
  const char* Control;  // the dialog field's object name; empty: not typed
  const char* Caption;  // the dialog field's label
  const char* Quoted;   // the field as the dialog's messages name it
  double Minimum;
  double Maximum;
  int Decimals;
};

// The six fields of the dust dialog in its order of checks, then the values
// that only case files and --set give.
inline constexpr std::array<TDustField, 8> DustFields = {{
    {&TDustParams::InputConcentration, "InputConcentration", "кг/м3", "edInputConcentration",
     "Концентрация пыли в приточ. воздухе, кг/м3", "Концентрация пыли в приточ. воздухе", -DustFieldLimit,
     DustFieldLimit, 7},
    {&TDustParams::ParticleDensity, "ParticleDensity", "кг/м3", "edParticleDencity",
     "Плотность пылевых частиц, кг/м3", "Плотность пылевых частиц", -DustFieldLimit, DustFieldLimit, 2},
    {&TDustParams::AirViscosity, "AirViscosity", "Па*с", "edMu", "Коэф. дин. вязкости воздуха, Па*с",
     "Коэф. дин. вязкости воздуха", -DustFieldLimit, DustFieldLimit, 8},
    {&TDustParams::ShapeFactor, "ShapeFactor", "", "edHi", "Коэф. динамической формы частицы:",
     "Коэф. динамической формы частицы", -DustFieldLimit, DustFieldLimit, 2},
    {&TDustParams::KoefK, "KoefK", "", "edKoefK", "Коэф. восстановления при ударе:",
     "Коэф. восстановления при ударе", -DustFieldLimit, DustFieldLimit, 2},
    {&TDustParams::KoefF, "KoefF", "", "edKoefF", "Коэф. трения скольжения:", "Коэф. трения скольжения",
     -DustFieldLimit, DustFieldLimit, 2},
    {&TDustParams::ParticleDt, "ParticleDt", "с", "", "", "", 0, 0, 7},
    {&TDustParams::Gravity, "Gravity", "м/с2", "", "", "", 0, 0, 2},
}};

// The separation points as the enclosure dialog names them, in the order of
// TCase::Enabled.
inline constexpr std::array<const char*, SeparationPointCount> SeparationPointCaptions = {
    "Слева от притока", "Справа от притока", "На дне укрытия", "На левой стенке"};

// The description of a member or a name; nullptr when there is none.
const TAreaField* FindAreaField(std::string_view name);
const TDustField* FindDustField(std::string_view name);
const TAreaField& AreaField(double TAreaParams::*member);
const TDustField& DustField(double TDustParams::*member);

// Sets the enclosure or dust value called `name` in c; false when there is
// no such value. inflowSpeedGiven is set when the value is InflowSpeed
// (which is otherwise derived from the others).
bool SetCaseField(TCase& c, std::string_view name, double value, bool& inflowSpeedGiven);
// The value called `name` in c; false when there is no such value.
bool CaseFieldValue(const TCase& c, std::string_view name, double& value);

}  // namespace ltr
