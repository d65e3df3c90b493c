// The descriptions of the editable values against the dialogs' captions,
// ranges and decimals and the names of case files, --set and ltr-cli info.

#include "model/fields.h"

#include <gtest/gtest.h>

#include <string>

namespace ltr {
namespace {

TEST(FieldsTest, DescriptionsHaveTheDialogsCaptionsRangesAndDecimals) {
  struct Expected {
    const char* name;
    const char* control;
    const char* caption;
    double minimum, maximum;
    int decimals;
  };
  // The enclosure, in the order of the vortex file's header.
  const Expected area[] = {
      {"H", "edH", "Расстояние между присоед. \nвихрями (расч. точками), м", 0.0001, 1, 5},
      {"Speed", "edSpeed", "Скорость в отсосе, м/с", 0.0001, 100, 5},
      {"InflowSpeed", "", "( Скорость в приточ. отверстии = ", 0, 0, 5},
      {"RoomHeight", "edRoomHeight", "Высота укрытия, м", 0.0001, 10, 5},
      {"RoomWidth", "edRoomWidth", "Ширина укрытия, м", 0.0001, 15, 5},
      {"ExhaustWidth", "edExhaustWidth", "Ширина отсоса, м", 0.0001, 15, 5},
      {"ExhaustHeight", "edExhaustHeight", "Расстояние между отсосом\nи полом, м", 0.0001, 15, 5},
      {"InflowWidth", "edInflowWidth", "Ширина приточного отверстия, м", 0.0001, 15, 5},
      {"InflowDistance", "edInflowDistance", "Расстояние между приточным\nотверстием и левой стенкой, м", 0.0001, 15,
       5},
  };
  ASSERT_EQ(AreaFields.size(), std::size(area));
  TAreaParams probe;
  for (std::size_t i = 0; i < AreaFields.size(); ++i) {
    const TAreaField& f = AreaFields[i];
    SCOPED_TRACE(area[i].name);
    EXPECT_EQ(std::string(f.Name), area[i].name);
    EXPECT_EQ(std::string(f.Control), area[i].control);
    EXPECT_EQ(std::string(f.Caption), area[i].caption);
    EXPECT_EQ(f.Minimum, area[i].minimum);
    EXPECT_EQ(f.Maximum, area[i].maximum);
    EXPECT_EQ(f.Decimals, area[i].decimals);
    EXPECT_EQ(FindAreaField(area[i].name), &f);
    EXPECT_EQ(&AreaField(f.Member), &f);
    // Each description names its own member: writing through it changes that
    // value alone.
    probe.*f.Member = 1000.0 + static_cast<double>(i);
  }
  EXPECT_EQ(probe.H, 1000);
  EXPECT_EQ(probe.Speed, 1001);
  EXPECT_EQ(probe.InflowSpeed, 1002);
  EXPECT_EQ(probe.RoomHeight, 1003);
  EXPECT_EQ(probe.RoomWidth, 1004);
  EXPECT_EQ(probe.ExhaustWidth, 1005);
  EXPECT_EQ(probe.ExhaustHeight, 1006);
  EXPECT_EQ(probe.InflowWidth, 1007);
  EXPECT_EQ(probe.InflowDistance, 1008);

  struct ExpectedDust {
    const char* name;
    const char* control;
    const char* caption;
    const char* quoted;
    int decimals;
    double TDustParams::*member;
  };
  const ExpectedDust dust[] = {
      {"InputConcentration", "edInputConcentration", "Концентрация пыли в приточ. воздухе, кг/м3",
       "Концентрация пыли в приточ. воздухе", 7, &TDustParams::InputConcentration},
      {"ParticleDensity", "edParticleDencity", "Плотность пылевых частиц, кг/м3", "Плотность пылевых частиц", 2,
       &TDustParams::ParticleDensity},
      {"AirViscosity", "edMu", "Коэф. дин. вязкости воздуха, Па*с", "Коэф. дин. вязкости воздуха", 8,
       &TDustParams::AirViscosity},
      {"ShapeFactor", "edHi", "Коэф. динамической формы частицы:", "Коэф. динамической формы частицы", 2,
       &TDustParams::ShapeFactor},
      {"KoefK", "edKoefK", "Коэф. восстановления при ударе:", "Коэф. восстановления при ударе", 2,
       &TDustParams::KoefK},
      {"KoefF", "edKoefF", "Коэф. трения скольжения:", "Коэф. трения скольжения", 2, &TDustParams::KoefF},
      {"ParticleDt", "", "", "", 7, &TDustParams::ParticleDt},
      {"Gravity", "", "", "", 2, &TDustParams::Gravity},
  };
  ASSERT_EQ(DustFields.size(), std::size(dust));
  for (std::size_t i = 0; i < DustFields.size(); ++i) {
    const TDustField& f = DustFields[i];
    SCOPED_TRACE(dust[i].name);
    EXPECT_EQ(std::string(f.Name), dust[i].name);
    EXPECT_EQ(std::string(f.Control), dust[i].control);
    EXPECT_EQ(std::string(f.Caption), dust[i].caption);
    EXPECT_EQ(std::string(f.Quoted), dust[i].quoted);
    EXPECT_EQ(f.Decimals, dust[i].decimals);
    EXPECT_EQ(f.Member, dust[i].member);
    EXPECT_EQ(FindDustField(dust[i].name), &f);
    // The typed dust values have no range but a finite one.
    if (*f.Control != '\0') {
      EXPECT_EQ(f.Minimum, -1e12);
      EXPECT_EQ(f.Maximum, 1e12);
    }
  }
  EXPECT_EQ(FindAreaField("Height"), nullptr);
  EXPECT_EQ(FindDustField("Fractions"), nullptr);
}

}  // namespace
}  // namespace ltr
