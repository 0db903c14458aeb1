#include "cad/dxf/DxfReader.h"

#include <chrono>
#include <cmath>
#include <unordered_map>

#include "cad/dxf/DxfEntityParser.h"

namespace cad::dxf {

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

bool eqi(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// 1021 for "AC1021"; 0 for the pre-R10 codes ("AC2.10", "AC1.40") and unknowns.
int versionNumber(std::string_view v) {
  if (v.size() != 6 || v[0] != 'A' || v[1] != 'C') return 0;
  int n = 0;
  for (std::size_t i = 2; i < 6; ++i) {
    if (v[i] < '0' || v[i] > '9') return 0;
    n = n * 10 + (v[i] - '0');
  }
  return n;
}

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size)
      : tz_(data, size), parser_(dec_, result_.skipped) {}

  LoadResult run();

 private:
  void readHeader();
  void readTables();
  void readTableEntry(std::string_view type, const std::vector<Tag>& tags);
  void readBlocks();
  void readObjects();
  void skipSection();
  bool expectEnd(std::string_view what);

  Tokenizer tz_;
  TextDecoder dec_;
  LoadResult result_;
  EntityParser parser_;
  std::shared_ptr<Drawing> dwg_ = std::make_shared<Drawing>();
  EntityList modelBlock_, paperBlock_;
  std::unordered_map<std::uint64_t, std::string> imageFiles_;
  bool sawSection_ = false;
  bool sawEof_ = false;
  bool inSection_ = false;
};

void Reader::readHeader() {
  Header& h = dwg_->header;
  std::string_view var;
  bool haveMin = false, haveMax = false;
  Tag t;
  while (tz_.next(t)) {
    if (t.code == 0) {
      tz_.pushBack(t);
      break;
    }
    if (t.code == 9) {
      var = trimView(t.str);
      continue;
    }
    auto is = [&](std::string_view n) { return var == n; };
    if (is("$ACADVER") && t.code == 1) h.version = std::string(trimView(t.str).substr(0, 16));
    else if (is("$DWGCODEPAGE") && t.code == 3) h.codepage = std::string(trimView(t.str).substr(0, 32));
    else if (is("$INSUNITS")) h.insUnits = static_cast<int>(t.asInt());
    else if (is("$LTSCALE")) h.ltScale = t.asDouble();
    else if (is("$CELTSCALE")) h.celtScale = t.asDouble();
    else if (is("$PSLTSCALE")) h.psLtScale = t.asInt() != 0;
    else if (is("$MEASUREMENT")) h.measurement = static_cast<int>(t.asInt());
    else if (is("$PDMODE")) h.pdMode = static_cast<int>(t.asInt());
    else if (is("$PDSIZE")) h.pdSize = t.asDouble();
    else if (is("$TEXTSIZE")) h.textSize = t.asDouble();
    else if (is("$TEXTSTYLE") && t.code == 7) h.textStyle = std::string(trimView(t.str).substr(0, 256));
    else if (is("$FILLMODE")) h.fillMode = t.asInt() != 0;
    else if (is("$LWDISPLAY")) h.lwDisplay = static_cast<int>(t.asInt());
    else if (is("$EXTMIN") || is("$EXTMAX")) {
      Vec3& p = is("$EXTMIN") ? h.extMin : h.extMax;
      (is("$EXTMIN") ? haveMin : haveMax) = true;
      if (t.code == 10) p.x = t.asDouble();
      else if (t.code == 20) p.y = t.asDouble();
      else if (t.code == 30) p.z = t.asDouble();
    } else if (is("$LIMMIN") || is("$LIMMAX")) {
      Vec2& p = is("$LIMMIN") ? h.limMin : h.limMax;
      if (t.code == 10) p.x = t.asDouble();
      else if (t.code == 20) p.y = t.asDouble();
    }
  }
  // Empty drawings carry +1e20 / -1e20 as their extents.
  h.hasExtents = haveMin && haveMax && h.extMin.x <= h.extMax.x && h.extMin.y <= h.extMax.y &&
                 std::fabs(h.extMin.x) < 1e19 && std::fabs(h.extMax.x) < 1e19;
  if (h.ltScale <= 0 || !std::isfinite(h.ltScale)) h.ltScale = 1;
  // Strings are in the drawing's code page before 2007 and UTF-8 from then on.
  if (versionNumber(h.version) >= 1021) dec_.setCodepage("");
  else dec_.setCodepage(h.codepage.empty() ? "ANSI_1252" : h.codepage);
}

void Reader::readTableEntry(std::string_view type, const std::vector<Tag>& tags) {
  if (eqi(type, "LAYER")) {
    Layer l;
    bool xTransparency = false;
    for (const Tag& t : tags) {
      if (t.code == 1001) xTransparency = trimView(t.str) == "AcCmTransparency";
      if (t.code >= 1000) {
        if (xTransparency && t.code == 1071) l.transparency = static_cast<std::int32_t>(t.asInt());
        continue;
      }
      switch (t.code) {
        case 2: l.name = parser_.name(t); break;
        case 62: {
          long long c = t.asInt();
          l.on = c >= 0;
          c = c < 0 ? -c : c;
          l.color = (c >= 1 && c <= 255) ? static_cast<int>(c) : 7;
          break;
        }
        case 420: l.trueColor = static_cast<std::int32_t>(t.asInt() & 0xFFFFFF); break;
        case 6: l.linetype = parser_.name(t); break;
        case 70: l.frozen = t.asInt() & 1; l.locked = t.asInt() & 4; break;
        case 290: l.plot = t.asInt() != 0; break;
        case 370: {
          long long w = t.asInt();
          l.lineweight = (w >= -3 && w <= 211) ? static_cast<int>(w) : kLineweightDefault;
          break;
        }
        default: break;
      }
    }
    if (!l.name.empty()) dwg_->layers.push_back(std::move(l));
  } else if (eqi(type, "LTYPE")) {
    Linetype lt;
    for (const Tag& t : tags) {
      if (t.code >= 1000) break;
      LinetypeElement* el = lt.elements.empty() ? nullptr : &lt.elements.back();
      switch (t.code) {
        case 2: lt.name = parser_.name(t); break;
        case 3: lt.description = parser_.text(t); break;
        case 40: lt.totalLength = t.asDouble(); break;
        case 49:
          if (lt.elements.size() < 256) {
            lt.elements.emplace_back();
            lt.elements.back().length = t.asDouble();
          }
          break;
        case 74:
          if (el) {
            long long f = t.asInt();
            el->isText = f & 2;
            el->isShape = f & 4;
          }
          break;
        case 75: if (el) el->shapeNumber = static_cast<int>(t.asInt()); break;
        case 46: if (el) el->scale = t.asDouble(); break;
        case 50: if (el) el->rotation = t.asDouble() * kDeg; break;
        case 44: if (el) el->offset.x = t.asDouble(); break;
        case 45: if (el) el->offset.y = t.asDouble(); break;
        case 9: if (el) el->text = parser_.text(t); break;
        default: break;
      }
    }
    for (const auto& el : lt.elements) lt.pattern.push_back(el.length);
    if (lt.totalLength <= 0) {
      double sum = 0;
      for (double d : lt.pattern) sum += std::fabs(d);
      lt.totalLength = sum;
    }
    if (!lt.name.empty()) dwg_->linetypes.push_back(std::move(lt));
  } else if (eqi(type, "STYLE")) {
    TextStyle s;
    bool acadXdata = false;
    for (const Tag& t : tags) {
      if (t.code == 1001) acadXdata = trimView(t.str) == "ACAD";
      if (t.code >= 1000) {
        if (acadXdata && t.code == 1000 && s.fontFamily.empty()) s.fontFamily = parser_.name(t);
        continue;
      }
      switch (t.code) {
        case 2: s.name = parser_.name(t); break;
        case 3: s.fontFile = parser_.name(t); break;
        case 4: s.bigFontFile = parser_.name(t); break;
        case 40: s.height = t.asDouble(); break;
        case 41: s.widthFactor = t.asDouble(); break;
        case 50: s.oblique = t.asDouble() * kDeg; break;
        case 70: s.flags = static_cast<int>(t.asInt() & 0xFF); break;
        case 71: s.generation = static_cast<int>(t.asInt() & 0xFF); break;
        default: break;
      }
    }
    if (s.widthFactor <= 0) s.widthFactor = 1;
    if (!s.name.empty()) dwg_->textStyles.push_back(std::move(s));
  }
}

void Reader::readTables() {
  Tag t;
  while (tz_.next(t)) {
    if (t.code != 0) continue;
    std::string_view type = trimView(t.str);
    if (eqi(type, "ENDSEC") || eqi(type, "EOF") || eqi(type, "SECTION")) {
      tz_.pushBack(t);
      return;
    }
    const auto& tags = parser_.readBody(tz_);
    if (eqi(type, "TABLE") || eqi(type, "ENDTAB")) continue;
    readTableEntry(type, tags);
  }
}

void Reader::readBlocks() {
  Tag t;
  while (tz_.next(t)) {
    if (t.code != 0) continue;
    std::string_view type = trimView(t.str);
    if (eqi(type, "ENDSEC") || eqi(type, "EOF") || eqi(type, "SECTION")) {
      tz_.pushBack(t);
      return;
    }
    if (!eqi(type, "BLOCK")) {
      parser_.readBody(tz_);
      continue;
    }
    Block b;
    std::string altName;
    for (const Tag& bt : parser_.readBody(tz_)) {
      if (bt.code >= 1000) break;
      switch (bt.code) {
        case 2: b.name = parser_.name(bt); break;
        case 3: altName = parser_.name(bt); break;
        case 70: b.flags = static_cast<int>(bt.asInt() & 0xFFFF); break;
        case 10: b.basePoint.x = bt.asDouble(); break;
        case 20: b.basePoint.y = bt.asDouble(); break;
        case 30: b.basePoint.z = bt.asDouble(); break;
        case 1: b.xrefPath = parser_.text(bt); break;
        case 4: b.description = parser_.text(bt); break;
        default: break;
      }
    }
    if (b.name.empty()) b.name = altName;
    parser_.readEntities(tz_, b.entities, nullptr);
    // The entities end at ENDBLK (or at a damaged spot).
    if (tz_.next(t)) {
      if (t.code == 0 && eqi(trimView(t.str), "ENDBLK")) parser_.readBody(tz_);
      else tz_.pushBack(t);
    }
    if (eqi(b.name, "*MODEL_SPACE")) {
      for (auto& e : b.entities) modelBlock_.push_back(std::move(e));
    } else if (eqi(b.name, "*PAPER_SPACE")) {
      for (auto& e : b.entities) paperBlock_.push_back(std::move(e));
    } else if (!b.name.empty()) {
      dwg_->blocks.push_back(std::move(b));
    } else {
      ++result_.skipped["BLOCK"];
    }
  }
}

void Reader::readObjects() {
  Tag t;
  while (tz_.next(t)) {
    if (t.code != 0) continue;
    std::string_view type = trimView(t.str);
    if (eqi(type, "ENDSEC") || eqi(type, "EOF") || eqi(type, "SECTION")) {
      tz_.pushBack(t);
      return;
    }
    const auto& tags = parser_.readBody(tz_);
    if (!eqi(type, "IMAGEDEF")) continue;
    std::uint64_t handle = 0;
    std::string path;
    for (const Tag& ot : tags) {
      if (ot.code == 5) handle = ot.asHandle();
      else if (ot.code == 1) path = parser_.text(ot);
    }
    if (handle) imageFiles_[handle] = std::move(path);
  }
}

void Reader::skipSection() {
  Tag t;
  while (tz_.next(t)) {
    if (t.code == 0 && (eqi(trimView(t.str), "ENDSEC") || eqi(trimView(t.str), "EOF"))) {
      tz_.pushBack(t);
      return;
    }
  }
}

LoadResult Reader::run() {
  result_.format = "DXF";
  // The code page must be known before the first string is stored; files
  // without a header are R12-style and default to Western European.
  dec_.setCodepage("ANSI_1252");
  Tag t;
  while (tz_.next(t)) {
    if (t.code == 999) continue;  // comment
    if (t.code != 0) {
      if (!sawSection_) break;
      continue;
    }
    std::string_view v = trimView(t.str);
    if (eqi(v, "EOF")) {
      sawEof_ = true;
      break;
    }
    if (eqi(v, "ENDSEC")) {
      inSection_ = false;
      continue;
    }
    if (!eqi(v, "SECTION")) {
      if (!sawSection_) break;
      continue;
    }
    sawSection_ = true;
    inSection_ = true;
    std::string_view name;
    if (tz_.next(t)) {
      if (t.code == 2) name = trimView(t.str);
      else tz_.pushBack(t);
    }
    if (eqi(name, "HEADER")) readHeader();
    else if (eqi(name, "TABLES")) readTables();
    else if (eqi(name, "BLOCKS")) readBlocks();
    else if (eqi(name, "ENTITIES")) parser_.readEntities(tz_, dwg_->entities, &dwg_->paperSpaceEntities);
    else if (eqi(name, "OBJECTS")) readObjects();
    else skipSection();
  }

  if (!sawSection_) return failedLoad(LoadStatus::NotADrawing, "DXF");

  // Some writers leave model space in its block instead of ENTITIES.
  if (dwg_->entities.empty())
    for (auto& e : modelBlock_) dwg_->entities.push_back(std::move(e));
  if (dwg_->paperSpaceEntities.empty())
    for (auto& e : paperBlock_) dwg_->paperSpaceEntities.push_back(std::move(e));

  auto resolveImages = [&](EntityList& list) {
    for (auto& e : list)
      if (auto* img = e->as<RasterImage>())
        if (auto it = imageFiles_.find(img->imageDefHandle); it != imageFiles_.end())
          img->filePath = it->second;
  };
  resolveImages(dwg_->entities);
  resolveImages(dwg_->paperSpaceEntities);
  for (auto& b : dwg_->blocks) resolveImages(b.entities);

  bool incomplete = tz_.error() != Tokenizer::Error::None || (!sawEof_ && inSection_);
  if (incomplete) {
    bool any = !dwg_->entities.empty() || !dwg_->paperSpaceEntities.empty();
    if (!any) return failedLoad(LoadStatus::Damaged, "DXF");
    ++result_.skipped["TRUNCATED"];
  }
  if (dwg_->layers.empty() || !dwg_->findLayer("0")) {
    Layer zero;
    zero.name = "0";
    dwg_->layers.insert(dwg_->layers.begin(), zero);
  }
  dwg_->buildIndex();
  result_.drawing = dwg_;
  result_.status = LoadStatus::Ok;
  return std::move(result_);
}

}  // namespace

LoadResult readDxf(const std::uint8_t* data, std::size_t size) {
  auto t0 = std::chrono::steady_clock::now();
  LoadResult r;
  try {
    Reader reader(data, size);
    r = reader.run();
  } catch (const std::bad_alloc&) {
    r = failedLoad(LoadStatus::Damaged, "DXF");
  } catch (const std::exception&) {
    r = failedLoad(LoadStatus::Damaged, "DXF");
  }
  r.loadMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  return r;
}

}  // namespace cad::dxf
