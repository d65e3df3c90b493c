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

}  // namespace ltr
