// Small helpers to write DXF fixtures inline.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cad/dxf/DxfReader.h"

namespace cadtest {

// "code\nvalue\n" pairs, as a writer would put them.
inline std::string tags(const std::vector<std::pair<int, std::string>>& t) {
  std::string s;
  for (const auto& [c, v] : t) s += std::to_string(c) + "\n" + v + "\n";
  return s;
}

// A complete file: optional header variables, then the ENTITIES section.
inline std::string dxfFile(const std::string& header, const std::string& entities,
                           const std::string& extraSections = {}) {
  std::string s;
  if (!header.empty()) s += "0\nSECTION\n2\nHEADER\n" + header + "0\nENDSEC\n";
  s += extraSections;
  s += "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
  return s;
}

inline cad::LoadResult readString(const std::string& s) {
  return cad::dxf::readDxf(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

}  // namespace cadtest
