// Reading the settings into the window's fields at start and writing them at the end.

#include "UnitCAD.h"

#include "IniFile.h"
#include "PathBytes.h"
#include "SettingsValues.h"

#include <QFile>

void TFrmCAD::LoadSettings()
{
    const settings::IniFile ini(EncodePath(SettingsFilePath()).toStdString());
    const settings::SettingsValues v = settings::ReadSettingsValues(ini);
    LanguageIndex = v.LanguageIndex;
    ThumbW = v.ThumbW;
    ThumbBorderColor = v.ThumbBorderColor;
    ThumbBackColor = v.ThumbBackColor;
    ThumbBorderType = v.ThumbBorderType;
    ThumbSpaceW = v.ThumbSpaceW;
    ThumbSpaceH = v.ThumbSpaceH;
    LoadAllFile = v.LoadAllFile;
    ShowHidden = v.ShowHidden;
    ApplyThumbSettings();
    ApplyListSettings();
    BkColor = v.BkColor; // already forced into 0..9
    ApplyBackground(BkColor);
}

void TFrmCAD::SaveSettings()
{
    settings::IniFile ini(EncodePath(SettingsFilePath()).toStdString());
    settings::SettingsValues v;
    v.ThumbW = ThumbW;
    v.ThumbBorderColor = ThumbBorderColor;
    v.ThumbBackColor = ThumbBackColor;
    v.ThumbBorderType = ThumbBorderType;
    v.ThumbSpaceW = ThumbSpaceW;
    v.ThumbSpaceH = ThumbSpaceH;
    v.LoadAllFile = LoadAllFile;
    v.ShowHidden = ShowHidden;
    v.BkColor = BkColor;
    v.LanguageIndex = LanguageIndex;
    settings::WriteSettingsValues(ini, v, EncodePath(FolderPathForSettings()).toStdString(), BrowserView());
}
