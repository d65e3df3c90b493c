#include "model/fields.h"

#include <stdexcept>

namespace ltr {

const TAreaField* FindAreaField(std::string_view name) {
  for (const TAreaField& f : AreaFields)
    if (name == f.Name) return &f;
  return nullptr;
}

const TDustField* FindDustField(std::string_view name) {
  for (const TDustField& f : DustFields)
    if (name == f.Name) return &f;
  return nullptr;
}

const TAreaField& AreaField(double TAreaParams::*member) {
  for (const TAreaField& f : AreaFields)
    if (f.Member == member) return f;
  throw std::logic_error("no description of this enclosure value");
}

const TDustField& DustField(double TDustParams::*member) {
  for (const TDustField& f : DustFields)
    if (f.Member == member) return f;
  throw std::logic_error("no description of this dust value");
}

bool SetCaseField(TCase& c, std::string_view name, double value, bool& inflowSpeedGiven) {
  if (const TAreaField* area = FindAreaField(name); area != nullptr) {
    c.Area.*(area->Member) = value;
    if (area->Member == &TAreaParams::InflowSpeed) inflowSpeedGiven = true;
    return true;
  }
  if (const TDustField* dust = FindDustField(name); dust != nullptr) {
    c.Dust.*(dust->Member) = value;
    return true;
  }
  return false;
}

bool CaseFieldValue(const TCase& c, std::string_view name, double& value) {
  if (const TAreaField* area = FindAreaField(name); area != nullptr) {
    value = c.Area.*(area->Member);
    return true;
  }
  if (const TDustField* dust = FindDustField(name); dust != nullptr) {
    value = c.Dust.*(dust->Member);
    return true;
  }
  return false;
}

}  // namespace ltr
