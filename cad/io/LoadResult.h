// Outcome of reading one drawing file: a model or a short message for the user.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "cad/model/Drawing.h"

namespace cad {

enum class LoadStatus { Ok, FileUnreadable, NotADrawing, UnsupportedVersion, Damaged };

struct LoadResult {
  LoadStatus status = LoadStatus::Ok;
  std::string message;                 // short Chinese user message; empty when status == Ok
  std::shared_ptr<Drawing> drawing;    // set when status == Ok
  std::string format;                  // "DXF", "DWG", "DWF"
  std::map<std::string, int> skipped;  // types read but not drawn / damaged objects, by name
  double loadMs = 0;
};

// The user messages, one per failing status.
inline constexpr const char* kMsgFileUnreadable = "文件不存在或无法读取。";
inline constexpr const char* kMsgNotADrawing = "不是图形文件。";
inline constexpr const char* kMsgUnsupportedVersion = "不支持此图形文件的版本。";
inline constexpr const char* kMsgDamaged = "图形文件已损坏，无法读取。";

// A failed result with the standard message for its status.
LoadResult failedLoad(LoadStatus status, std::string format = {});

}  // namespace cad
