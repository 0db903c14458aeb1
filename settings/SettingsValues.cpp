#include "SettingsValues.h"

#include <algorithm>

namespace settings {

SettingsValues ReadSettingsValues(const IniFile& ini)
{
    SettingsValues v;
    v.LanguageIndex = static_cast<std::uint8_t>(std::clamp(ini.ReadInteger("LANGUAGE", "Default", 7), 0, 7));
    v.ThumbW = ini.ReadInteger("OPTIONS", "ThumbW", 80);
    v.ThumbBorderColor = ini.ReadInteger("OPTIONS", "ThumbBorderColor", 0);
    v.ThumbBackColor = ini.ReadInteger("OPTIONS", "ThumbBackColor", 16777215);
    v.ThumbBorderType = static_cast<std::uint8_t>(ini.ReadInteger("OPTIONS", "ThumbBorderType", 1) & 0xFF);
    v.ThumbSpaceW = ini.ReadInteger("OPTIONS", "ThumbSpaceW", 12);
    v.ThumbSpaceH = ini.ReadInteger("OPTIONS", "ThumbSpaceH", 12);
    v.LoadAllFile = ini.ReadBool("OPTIONS", "LoadAllFile", false);
    v.ShowHidden = ini.ReadBool("OPTIONS", "ShowHidden", true);
    v.BkColor = ini.ReadInteger("OPTIONS", "BkColor", 0);
    if (v.BkColor < 0 || v.BkColor > 9)
        v.BkColor = 0;
    return v;
}

StartValues ReadStartValues(const IniFile& ini)
{
    StartValues s;
    s.Path = ini.ReadString("NORMAL", "Path", "");
    s.ViewType = ini.ReadInteger("NORMAL", "ViewType", 0);
    return s;
}

void WriteSettingsValues(IniFile& ini, const SettingsValues& v, const std::string& path, std::int32_t viewType)
{
    const bool storable = path.find_first_of("\r\n") == std::string::npos;
    ini.WriteString("NORMAL", "Path", storable ? path : std::string());
    ini.WriteInteger("NORMAL", "ViewType", viewType);
    ini.WriteInteger("OPTIONS", "ThumbW", v.ThumbW);
    ini.WriteInteger("OPTIONS", "ThumbBorderColor", v.ThumbBorderColor);
    ini.WriteInteger("OPTIONS", "ThumbBackColor", v.ThumbBackColor);
    ini.WriteInteger("OPTIONS", "ThumbBorderType", v.ThumbBorderType);
    ini.WriteInteger("OPTIONS", "ThumbSpaceW", v.ThumbSpaceW);
    ini.WriteInteger("OPTIONS", "ThumbSpaceH", v.ThumbSpaceH);
    ini.WriteBool("OPTIONS", "LoadAllFile", v.LoadAllFile);
    ini.WriteBool("OPTIONS", "ShowHidden", v.ShowHidden);
    ini.WriteInteger("OPTIONS", "BkColor", v.BkColor);
    ini.WriteInteger("LANGUAGE", "Default", v.LanguageIndex);
}

} // namespace settings
