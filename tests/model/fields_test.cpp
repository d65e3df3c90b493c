// The descriptions of the editable values: what the dialogs, case files,
// --set, ltr-cli info and the vortex file rely on them to be.

#include "model/fields.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "io/vortex_codec.h"

namespace ltr {
namespace {

// Checks of one table: every key unique and found by its name and member;
// every typed field with a control of its own, a caption and a range that
// holds its start-up value; every untyped one without a range.
template <class Field, class Params, class FindByName, class FindByMember>
void CheckTable(const Field* begin, const Field* end, const Params& startUp, FindByName findByName,
                FindByMember findByMember) {
  std::set<std::string> names;
  std::set<std::string> controls;
  for (const Field* f = begin; f != end; ++f) {
    SCOPED_TRACE(f->Name);
    ASSERT_NE(f->Name, nullptr);
    EXPECT_TRUE(names.insert(f->Name).second) << "the key is not unique";
    EXPECT_EQ(findByName(f->Name), f);
    EXPECT_EQ(&findByMember(f->Member), f);
    EXPECT_GE(f->Decimals, 0);
    const double value = startUp.*f->Member;
    if (*f->Control != '\0') {
      EXPECT_TRUE(controls.insert(f->Control).second) << "two fields share a control";
      EXPECT_NE(*f->Caption, '\0');
      EXPECT_LT(f->Minimum, f->Maximum);
      EXPECT_LE(f->Minimum, value);
      EXPECT_LE(value, f->Maximum);
    } else {
      EXPECT_EQ(f->Minimum, 0.0);
      EXPECT_EQ(f->Maximum, 0.0);
    }
  }
}

TEST(FieldsTest, EveryFieldHasAUniqueKeyACaptionAndARangeHoldingItsStartValue) {
  CheckTable(AreaFields.begin(), AreaFields.end(), TAreaParams{}, FindAreaField, AreaField);
  CheckTable(DustFields.begin(), DustFields.end(), TDustParams{}, FindDustField, DustField);
  // Enclosure values are lengths and speeds; the dust values that have a unit
  // say so, the coefficients are pure numbers.
  for (const TAreaField& f : AreaFields) EXPECT_TRUE(!std::strcmp(f.Unit, "м") || !std::strcmp(f.Unit, "м/с"));
  // The messages name every typed dust field.
  for (const TDustField& f : DustFields) EXPECT_TRUE(*f.Control == '\0' || *f.Quoted != '\0') << f.Name;
  EXPECT_EQ(FindAreaField("Height"), nullptr);
  EXPECT_EQ(FindDustField("Fractions"), nullptr);
}

TEST(FieldsTest, TheEnclosureFieldsAreInTheOrderOfTheFileHeader) {
  // The nine doubles of the header from offset 67 on, as the file format
  // lays them out.
  const std::vector<double TAreaParams::*> fileOrder = {&TAreaParams::H,
                                                        &TAreaParams::Speed,
                                                        &TAreaParams::InflowSpeed,
                                                        &TAreaParams::RoomHeight,
                                                        &TAreaParams::RoomWidth,
                                                        &TAreaParams::ExhaustWidth,
                                                        &TAreaParams::ExhaustHeight,
                                                        &TAreaParams::InflowWidth,
                                                        &TAreaParams::InflowDistance};
  ASSERT_EQ(AreaFields.size(), fileOrder.size());
  TModelState s;
  for (std::size_t i = 0; i < fileOrder.size(); ++i) s.Area.*fileOrder[i] = 1000.0 + static_cast<double>(i);
  std::vector<std::uint8_t> bytes;
  std::string reason;
  ASSERT_TRUE(EncodeVortexStructure(s.Case(), s.Flow(), bytes, reason)) << reason;
  for (std::size_t i = 0; i < fileOrder.size(); ++i) {
    EXPECT_EQ(AreaFields[i].Member, fileOrder[i]) << AreaFields[i].Name;
    double stored;
    std::memcpy(&stored, bytes.data() + 67 + 8 * i, sizeof stored);
    EXPECT_EQ(stored, 1000.0 + static_cast<double>(i)) << i;
  }
}

}  // namespace
}  // namespace ltr
