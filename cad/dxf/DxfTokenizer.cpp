#include "cad/dxf/DxfTokenizer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace cad::dxf {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

template <class T> T readLe(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));  // x86/ARM little-endian hosts only
  return v;
}

}  // namespace

double Tag::asDouble() const {
  if (binaryNum) return std::isfinite(num) ? num : 0.0;
  std::string_view s = trim(str);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc() || !std::isfinite(v)) return 0.0;
  return v;
}

long long Tag::asInt() const {
  if (binaryNum) {
    if (!(std::fabs(num) < 9.2e18)) return 0;
    return static_cast<long long>(num);
  }
  std::string_view s = trim(str);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  long long v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec == std::errc()) return v;
  // Some writers put "1.0" where an integer belongs.
  double d = 0;
  auto r2 = std::from_chars(s.data(), s.data() + s.size(), d);
  if (r2.ec == std::errc() && std::fabs(d) < 9.2e18) return static_cast<long long>(d);
  return 0;
}

std::uint64_t Tag::asHandle() const {
  std::string_view s = trim(str);
  std::uint64_t v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v, 16);
  return r.ec == std::errc() ? v : 0;
}

ValueKind valueKind(int c) {
  if (c >= 0 && c <= 9) return ValueKind::String;
  if (c >= 10 && c <= 59) return ValueKind::Double;
  if (c >= 60 && c <= 79) return ValueKind::Int16;
  if (c >= 90 && c <= 99) return ValueKind::Int32;
  if (c == 100 || c == 101 || c == 102 || c == 105) return ValueKind::String;
  if (c >= 110 && c <= 149) return ValueKind::Double;
  if (c >= 160 && c <= 169) return ValueKind::Int64;
  if (c >= 170 && c <= 179) return ValueKind::Int16;
  if (c >= 210 && c <= 239) return ValueKind::Double;
  if (c >= 270 && c <= 289) return ValueKind::Int16;
  if (c >= 290 && c <= 299) return ValueKind::Bool;
  if (c >= 300 && c <= 309) return ValueKind::String;
  if (c >= 310 && c <= 319) return ValueKind::Binary;
  if (c >= 320 && c <= 369) return ValueKind::String;
  if (c >= 370 && c <= 389) return ValueKind::Int16;
  if (c >= 390 && c <= 399) return ValueKind::String;
  if (c >= 400 && c <= 409) return ValueKind::Int16;
  if (c >= 410 && c <= 419) return ValueKind::String;
  if (c >= 420 && c <= 429) return ValueKind::Int32;
  if (c >= 430 && c <= 439) return ValueKind::String;  // colour names
  if (c >= 440 && c <= 459) return ValueKind::Int32;
  if (c >= 460 && c <= 469) return ValueKind::Double;
  if (c >= 470 && c <= 481) return ValueKind::String;
  if (c == 999) return ValueKind::String;
  if (c >= 1000 && c <= 1003) return ValueKind::String;
  if (c == 1004) return ValueKind::Binary;
  if (c >= 1005 && c <= 1009) return ValueKind::String;
  if (c >= 1010 && c <= 1059) return ValueKind::Double;
  if (c >= 1060 && c <= 1070) return ValueKind::Int16;
  if (c == 1071) return ValueKind::Int32;
  return ValueKind::String;
}

Tokenizer::Tokenizer(const std::uint8_t* data, std::size_t size)
    : data_(reinterpret_cast<const char*>(data)), size_(data ? size : 0) {
  if (size_ >= kBinarySentinel.size() &&
      std::memcmp(data_, kBinarySentinel.data(), kBinarySentinel.size()) == 0) {
    binary_ = true;
    pos_ = kBinarySentinel.size();
    // R13 and later write two-byte codes: the first code 0 is then 00 00
    // followed by "SECTION"; R12 writes a single 00 byte.
    shortCodes_ = !(pos_ + 1 < size_ && data_[pos_] == 0 && data_[pos_ + 1] == 0);
  } else {
    if (size_ >= 3 && std::memcmp(data_, "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
    // Old Mac files end lines with CR alone.
    std::size_t probe = std::min<std::size_t>(size_, 1 << 16);
    if (!std::memchr(data_, '\n', probe) && std::memchr(data_, '\r', probe)) eol_ = '\r';
  }
}

bool Tokenizer::next(Tag& t) {
  if (hasPending_) {
    t = pending_;
    hasPending_ = false;
    return true;
  }
  if (error_ != Error::None) return false;
  return binary_ ? nextBinary(t) : nextAscii(t);
}

bool Tokenizer::readLine(std::string_view& out) {
  if (pos_ >= size_) return false;
  const char* start = data_ + pos_;
  const void* nl = std::memchr(start, eol_, size_ - pos_);
  std::size_t len = nl ? static_cast<const char*>(nl) - start : size_ - pos_;
  pos_ += len + (nl ? 1 : 0);
  ++line_;
  if (len > 0 && start[len - 1] == '\r') --len;
  out = std::string_view(start, len);
  return true;
}

bool Tokenizer::nextAscii(Tag& t) {
  std::string_view codeLine;
  // Blank lines between tags appear in hand-edited files; skip them.
  do {
    if (!readLine(codeLine)) return false;
    codeLine = trim(codeLine);
  } while (codeLine.empty() && pos_ < size_);
  if (codeLine.empty()) return false;
  int code = 0;
  auto r = std::from_chars(codeLine.data(), codeLine.data() + codeLine.size(), code);
  if (r.ec != std::errc() || r.ptr != codeLine.data() + codeLine.size() || code < -5 || code > 1071) {
    error_ = Error::BadCode;
    return false;
  }
  std::string_view value;
  if (!readLine(value)) {
    error_ = Error::Truncated;
    return false;
  }
  t.code = code;
  t.binaryNum = false;
  t.num = 0;
  // Strings keep their leading spaces (they may matter in text); names and
  // numbers are trimmed by their users.
  t.str = value;
  return true;
}

bool Tokenizer::nextBinary(Tag& t) {
  auto need = [&](std::size_t n) {
    if (size_ - pos_ < n) {
      error_ = Error::Truncated;
      return false;
    }
    return true;
  };
  if (pos_ >= size_) return false;
  int code;
  if (shortCodes_) {
    code = static_cast<std::uint8_t>(data_[pos_++]);
    if (code == 255) {
      if (!need(2)) return false;
      code = readLe<std::int16_t>(data_ + pos_);
      pos_ += 2;
    }
  } else {
    if (!need(2)) return false;
    code = readLe<std::int16_t>(data_ + pos_);
    pos_ += 2;
  }
  if (code < 0 || code > 1071) {
    error_ = Error::BadCode;
    return false;
  }
  t.code = code;
  t.binaryNum = false;
  t.num = 0;
  t.str = {};
  ValueKind k = valueKind(code);
  switch (k) {
    case ValueKind::String: {
      const void* z = std::memchr(data_ + pos_, 0, size_ - pos_);
      if (!z) {
        error_ = Error::Truncated;
        return false;
      }
      std::size_t len = static_cast<const char*>(z) - (data_ + pos_);
      t.str = std::string_view(data_ + pos_, len);
      pos_ += len + 1;
      break;
    }
    case ValueKind::Double:
      if (!need(8)) return false;
      t.num = readLe<double>(data_ + pos_);
      t.binaryNum = true;
      pos_ += 8;
      break;
    case ValueKind::Int16:
      if (!need(2)) return false;
      t.num = readLe<std::int16_t>(data_ + pos_);
      t.binaryNum = true;
      pos_ += 2;
      break;
    case ValueKind::Int32:
      if (!need(4)) return false;
      t.num = readLe<std::int32_t>(data_ + pos_);
      t.binaryNum = true;
      pos_ += 4;
      break;
    case ValueKind::Int64:
      if (!need(8)) return false;
      t.num = static_cast<double>(readLe<std::int64_t>(data_ + pos_));
      t.binaryNum = true;
      pos_ += 8;
      break;
    case ValueKind::Bool:
      if (!need(1)) return false;
      t.num = static_cast<std::uint8_t>(data_[pos_]);
      t.binaryNum = true;
      pos_ += 1;
      break;
    case ValueKind::Binary: {
      if (!need(1)) return false;
      std::size_t len = static_cast<std::uint8_t>(data_[pos_]);
      if (!need(1 + len)) return false;
      t.str = std::string_view(data_ + pos_ + 1, len);
      pos_ += 1 + len;
      break;
    }
  }
  return true;
}

}  // namespace cad::dxf
