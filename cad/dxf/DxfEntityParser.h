// Builds model entities from the tags of DXF ENTITIES and BLOCKS sections.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cad/dxf/DxfTokenizer.h"
#include "cad/dxf/TextDecoder.h"
#include "cad/model/Drawing.h"

namespace cad::dxf {

class EntityParser {
 public:
  EntityParser(TextDecoder& decoder, std::map<std::string, int>& skipped)
      : dec_(decoder), skipped_(skipped) {}

  // Reads entities up to the next ENDSEC / ENDBLK / EOF tag, which is left
  // for the caller. Entities flagged as paper space go to `paper` when given.
  // Returns the number of entities stored.
  std::size_t readEntities(Tokenizer& tz, EntityList& out, EntityList* paper);

  // Tags of the current object after its 0 tag, up to the next 0 tag (left in tz).
  const std::vector<Tag>& readBody(Tokenizer& tz);

  std::string text(const Tag& t) { return dec_.decode(t.str); }
  std::string name(const Tag& t);

  // Upper bound on entities kept in one load; beyond it the rest is skipped.
  static constexpr std::size_t kMaxEntities = 20'000'000;

 private:
  EntityPtr build(std::string_view type);
  bool common(Entity& e, const Tag& t, int subclass);
  void readVertices(Tokenizer& tz, Polyline& pl);
  void readAttribs(Tokenizer& tz, Insert& ins);
  void parseVertex(PolyVertex& v);
  void parseText(Text& e, int vAlignCode);
  void parseHatch(Hatch& h);

  TextDecoder& dec_;
  std::map<std::string, int>& skipped_;
  std::vector<Tag> tags_;
  std::size_t total_ = 0;
};

std::string_view trimView(std::string_view s);

}  // namespace cad::dxf
