#include "cad/io/DrawingLoader.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cad/dwg/DwgReader.h"
#include "cad/dxf/DxfReader.h"

namespace cad {

namespace {

// Larger files are refused rather than risk exhausting memory.
constexpr std::uintmax_t kMaxFileSize = 2ull << 30;

bool startsWith(const std::uint8_t* d, std::size_t n, std::string_view s) {
  return n >= s.size() && std::memcmp(d, s.data(), s.size()) == 0;
}

// ASCII DXF: the first tags (after comments 999) are "0" / "SECTION". Some
// writers pad group codes with spaces or put blank lines first.
bool looksLikeAsciiDxf(const std::uint8_t* d, std::size_t n) {
  std::size_t i = 0;
  if (startsWith(d, n, "\xEF\xBB\xBF")) i = 3;
  std::size_t probe = std::min<std::size_t>(n, 1 << 16);
  const std::uint8_t eol = !std::memchr(d, '\n', probe) && std::memchr(d, '\r', probe) ? '\r' : '\n';
  auto line = [&](std::string_view& out) {
    if (i >= n) return false;
    std::size_t start = i;
    while (i < n && d[i] != eol) ++i;
    std::size_t end = i;
    if (i < n) ++i;
    while (end > start && (d[end - 1] == '\r' || d[end - 1] == ' ' || d[end - 1] == '\t')) --end;
    while (start < end && (d[start] == ' ' || d[start] == '\t')) ++start;
    out = std::string_view(reinterpret_cast<const char*>(d + start), end - start);
    return true;
  };
  std::string_view code, value;
  for (int tags = 0; tags < 64; ++tags) {
    do {
      if (!line(code)) return false;
    } while (code.empty() && i < n);
    if (!line(value)) return false;
    if (code == "999") continue;
    return code == "0" && value == "SECTION";
  }
  return false;
}

}  // namespace

FileKind sniffDrawing(const std::uint8_t* d, std::size_t n) {
  if (!d || n == 0) return FileKind::Unknown;
  if (startsWith(d, n, std::string_view("AutoCAD Binary DXF\r\n\x1a\0", 22))) return FileKind::DxfBinary;
  if (n >= 6 && d[0] == 'A' && d[1] == 'C' &&
      (std::memcmp(d, "AC10", 4) == 0 || std::memcmp(d, "AC1.", 4) == 0 || std::memcmp(d, "AC2.", 4) == 0))
    return FileKind::Dwg;
  if (startsWith(d, n, "(DWF V")) return FileKind::Dwf;
  if (startsWith(d, n, "PK\x03\x04")) {
    // A DWFx package is a zip (XPS) with DWF parts; entry names are stored
    // as plain text in the local headers and in the directory at the end.
    auto has = [&](std::size_t from, std::size_t len, std::string_view what) {
      std::string_view hay(reinterpret_cast<const char*>(d + from), len);
      return hay.find(what) != std::string_view::npos;
    };
    const std::size_t window = std::min<std::size_t>(n, 1 << 18);
    for (std::string_view name : {"DWFDocumentSequence", "dwf/documents/", ".dwfseq"})
      if (has(0, window, name) || has(n - window, window, name)) return FileKind::Dwfx;
    return FileKind::Unknown;
  }
  if (looksLikeAsciiDxf(d, n)) return FileKind::DxfAscii;
  return FileKind::Unknown;
}

LoadResult loadDrawingBytes(const std::uint8_t* data, std::size_t size) {
  auto t0 = std::chrono::steady_clock::now();
  LoadResult r;
  switch (sniffDrawing(data, size)) {
    case FileKind::DxfAscii:
    case FileKind::DxfBinary: r = dxf::readDxf(data, size); break;
    case FileKind::Dwg: r = dwg::readDwg(data, size); if (r.format.empty()) r.format = "DWG"; break;
    case FileKind::Dwf:
    case FileKind::Dwfx:
      // The viewer falls back to the package thumbnail where there is one.
      r = failedLoad(LoadStatus::UnsupportedVersion, "DWF");
      r.message = "暂不支持显示 DWF 图形文件。";
      break;
    case FileKind::Unknown:
      r = failedLoad(size == 0 ? LoadStatus::Damaged : LoadStatus::NotADrawing);
      if (size == 0) r.message = "文件为空，无法打开。";
      break;
  }
  r.loadMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  return r;
}

LoadResult loadDrawingFile(const std::string& path) {
  auto t0 = std::chrono::steady_clock::now();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return failedLoad(LoadStatus::FileUnreadable);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
      static_cast<std::uintmax_t>(st.st_size) > kMaxFileSize) {
    ::close(fd);
    return failedLoad(LoadStatus::FileUnreadable);
  }
  // Not zero-filled: every byte used is read from the file below.
  std::size_t size = static_cast<std::size_t>(st.st_size);
  std::unique_ptr<std::uint8_t[]> buf(new (std::nothrow) std::uint8_t[size ? size : 1]);
  std::size_t got = 0;
  while (buf && got < size) {
    ssize_t n = ::read(fd, buf.get() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the file shrank meanwhile: use what is there
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (!buf) return failedLoad(LoadStatus::FileUnreadable);
  LoadResult r = loadDrawingBytes(buf.get(), got);
  r.loadMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  return r;
}

namespace {

void jsonString(std::string& out, std::string_view s) {
  out.push_back('"');
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char b[8];
          std::snprintf(b, sizeof b, "\\u%04x", c);
          out += b;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  out.push_back('"');
}

void jsonNumber(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  char b[32];
  std::snprintf(b, sizeof b, "%.10g", v);
  out += b;
}

}  // namespace

std::string drawingStatsJson(const std::string& path, const LoadResult& r) {
  std::string o = "{\"file\":";
  jsonString(o, path);
  o += ",\"format\":";
  jsonString(o, r.format);
  const Drawing* d = r.drawing.get();
  o += ",\"version\":";
  jsonString(o, d ? d->header.version : std::string());
  o += ",\"codepage\":";
  jsonString(o, d ? d->header.codepage : std::string());
  o += ",\"entities\":{";
  int total = 0;
  if (d) {
    bool first = true;
    for (const auto& [type, n] : d->entityCounts()) {
      if (!first) o.push_back(',');
      first = false;
      jsonString(o, type);
      o += ":" + std::to_string(n);
      total += n;
    }
  }
  o += "},\"total\":" + std::to_string(total);
  o += ",\"layers\":[";
  if (d) {
    for (std::size_t i = 0; i < d->layers.size(); ++i) {
      if (i) o.push_back(',');
      jsonString(o, d->layers[i].name);
    }
  }
  o += "],\"extents\":";
  Box3 ext = d ? d->computeExtents() : Box3{};
  if (ext.valid()) {
    o += "[";
    jsonNumber(o, ext.min.x);
    o += ",";
    jsonNumber(o, ext.min.y);
    o += ",";
    jsonNumber(o, ext.max.x);
    o += ",";
    jsonNumber(o, ext.max.y);
    o += "]";
  } else {
    o += "null";
  }
  o += ",\"load_ms\":";
  jsonNumber(o, r.loadMs);
  o += ",\"error\":";
  jsonString(o, r.message);
  o += "}";
  return o;
}

}  // namespace cad
