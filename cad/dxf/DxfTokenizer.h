// Splits DXF bytes (ASCII or binary) into group-code / value pairs without
// copying: values point into the caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace cad::dxf {

struct Tag {
  int code = 0;
  std::string_view str;  // text of the value (ASCII file, or binary string/handle)
  double num = 0;        // binary files: numeric value already decoded
  bool binaryNum = false;

  double asDouble() const;
  long long asInt() const;
  // Handles are hexadecimal text in both encodings.
  std::uint64_t asHandle() const;
};

// Value type of a group code, as binary DXF stores it.
enum class ValueKind { String, Double, Int16, Int32, Int64, Bool, Binary };
ValueKind valueKind(int code);

class Tokenizer {
 public:
  enum class Error { None, BadCode, Truncated };

  Tokenizer(const std::uint8_t* data, std::size_t size);

  bool binary() const { return binary_; }
  // Reads the next tag; false at the end of data or on an error (see error()).
  bool next(Tag& t);
  // The next call to next() returns this tag again.
  void pushBack(const Tag& t) { pending_ = t; hasPending_ = true; }
  Error error() const { return error_; }
  std::size_t line() const { return line_; }
  std::size_t offset() const { return pos_; }

  static constexpr std::string_view kBinarySentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

 private:
  bool nextAscii(Tag& t);
  bool nextBinary(Tag& t);
  bool readLine(std::string_view& out);

  const char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  std::size_t line_ = 0;
  bool binary_ = false;
  bool shortCodes_ = false;  // binary R12: one-byte group codes
  char eol_ = '\n';
  Error error_ = Error::None;
  Tag pending_;
  bool hasPending_ = false;
};

}  // namespace cad::dxf
