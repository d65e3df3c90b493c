#include "io/field_file.h"

#include <algorithm>
#include <charconv>

namespace ltr {

namespace {

void Put(std::string& out, double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void Put(std::string& out, long long v) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void Header(std::string& out, const char* title) {
  out += "# vtk DataFile Version 3.0\n";
  out += title;
  out += "\nASCII\n";
}

}  // namespace

std::string VelocityFieldVtk(const TVelocityField& f) {
  std::string out;
  const long long n = static_cast<long long>(f.NX) * f.NY;
  Header(out, "LTR air velocity field, m/s");
  out += "DATASET STRUCTURED_POINTS\nDIMENSIONS ";
  Put(out, static_cast<long long>(f.NX));
  out += ' ';
  Put(out, static_cast<long long>(f.NY));
  out += " 1\nORIGIN ";
  Put(out, f.NX > 0 ? f.X(0) : 0.0);
  out += ' ';
  Put(out, f.NY > 0 ? f.Y(0) : 0.0);
  out += " 0\nSPACING ";
  Put(out, f.DX);
  out += ' ';
  Put(out, f.DY);
  out += " 1\nPOINT_DATA ";
  Put(out, n);
  out += "\nVECTORS velocity double\n";
  for (long long k = 0; k < n; ++k) {
    Put(out, f.U[k]);
    out += ' ';
    Put(out, f.V[k]);
    out += " 0\n";
  }
  out += "SCALARS speed double 1\nLOOKUP_TABLE default\n";
  for (long long k = 0; k < n; ++k) {
    Put(out, f.Speed[k]);
    out += '\n';
  }
  return out;
}

std::string VelocityFieldCsv(const TVelocityField& f) {
  std::string out = "x,y,vx,vy,speed\n";
  for (int j = 0; j < f.NY; ++j) {
    for (int i = 0; i < f.NX; ++i) {
      const size_t k = f.Index(i, j);
      Put(out, f.X(i));
      out += ',';
      Put(out, f.Y(j));
      out += ',';
      Put(out, f.U[k]);
      out += ',';
      Put(out, f.V[k]);
      out += ',';
      Put(out, f.Speed[k]);
      out += '\n';
    }
  }
  return out;
}

std::string VorticesVtk(const TFlow& f) {
  const long long bound = std::max(0, f.BoundCount);
  const long long n =
      std::min(static_cast<long long>(f.Vortices.size()), bound + std::max(0, f.FreeCount));
  std::string out;
  Header(out, "LTR vortices: circulation, m^2/s");
  out += "DATASET POLYDATA\nPOINTS ";
  Put(out, n);
  out += " double\n";
  for (long long k = 0; k < n; ++k) {
    Put(out, ToDouble(f.Vortices[k].Pos.X));
    out += ' ';
    Put(out, ToDouble(f.Vortices[k].Pos.Y));
    out += " 0\n";
  }
  out += "VERTICES ";
  Put(out, n);
  out += ' ';
  Put(out, 2 * n);
  out += '\n';
  for (long long k = 0; k < n; ++k) {
    out += "1 ";
    Put(out, k);
    out += '\n';
  }
  out += "POINT_DATA ";
  Put(out, n);
  out += "\nSCALARS circulation double 1\nLOOKUP_TABLE default\n";
  for (long long k = 0; k < n; ++k) {
    Put(out, ToDouble(f.Vortices[k].Gamma));
    out += '\n';
  }
  out += "SCALARS bound int 1\nLOOKUP_TABLE default\n";
  for (long long k = 0; k < n; ++k) out += k < bound ? "1\n" : "0\n";
  return out;
}

std::string VorticesFileName(const std::string& fieldFileName) {
  const size_t slash = fieldFileName.find_last_of('/');
  const size_t dot = fieldFileName.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return (hasExtension ? fieldFileName.substr(0, dot) : fieldFileName) + "_vortices.vtk";
}

}  // namespace ltr
