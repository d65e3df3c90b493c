#include "ui/number_field.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include "ui/qstring_printer.h"

namespace ltr {
namespace {

// The widest values of a range are shown whole, whatever their length.
TEST(NumberFieldTest, TheLongestTextsOfTheRangeFit) {
  TNumberField field;
  field.setDecimals(8);
  field.setRange(-1e12, 1e12);
  field.setValue(1e12);
  EXPECT_EQ(field.text(), QStringLiteral("1000000000000,00000000"));
  field.setValue(-1e12);
  EXPECT_EQ(field.text(), QStringLiteral("-1000000000000,00000000"));
  double v = 0;
  ASSERT_TRUE(field.ReadValue(v));
  EXPECT_EQ(v, -1e12);
  // Typed text longer than any value of the range is still refused.
  QString tooLong = QStringLiteral("1234567890123456789012345");
  int pos = 0;
  EXPECT_EQ(field.validate(tooLong, pos), QValidator::Invalid);
}

}  // namespace
}  // namespace ltr
