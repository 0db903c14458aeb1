#pragma once
// The program's twelve settings keys: what LoadSettings reads (with its
// clamps) and what SaveSettings writes, in that order, kept apart from the
// window so they can be tested on a file alone.

#include "IniFile.h"

#include <cstdint>
#include <string>

namespace settings {

// OPTIONS and LANGUAGE, as held by the main window after loading.
struct SettingsValues {
    std::int32_t ThumbW = 80;
    std::int32_t ThumbBorderColor = 0;           // 0x00BBGGRR
    std::int32_t ThumbBackColor = 16777215;      // white
    std::uint8_t ThumbBorderType = 1;            // low 8 bits of the value read
    std::int32_t ThumbSpaceW = 12;
    std::int32_t ThumbSpaceH = 12;
    bool LoadAllFile = false;
    bool ShowHidden = true;
    std::int32_t BkColor = 0;                    // 0..9 after loading
    std::uint8_t LanguageIndex = 7;              // 0..7 after loading

    bool operator==(const SettingsValues&) const = default;
};

// NORMAL, read once at start-up.
struct StartValues {
    std::string Path;
    std::int32_t ViewType = 0;
};

// Reads OPTIONS and LANGUAGE with their defaults; BkColor outside 0..9 becomes
// 0, LANGUAGE/Default is clamped to 0..7.
SettingsValues ReadSettingsValues(const IniFile& ini);

StartValues ReadStartValues(const IniFile& ini);

// Writes the twelve keys in this order: NORMAL Path, ViewType; OPTIONS ThumbW ..
// BkColor; LANGUAGE Default. Throws IniWriteError at the first write that
// fails; the keys written before it stay saved. A path with a line break
// cannot be stored in the file and is written empty, as a folder without a
// path is.
void WriteSettingsValues(IniFile& ini, const SettingsValues& v, const std::string& path, std::int32_t viewType);

} // namespace settings
