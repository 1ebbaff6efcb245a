// The display settings file "settings.ini": key=value lines read once at start-up into
// displayConfig. A missing file, key or number reads as 0, which selects the defaults.
#pragma once

constexpr int settingsMaxLines = 100;
constexpr int settingsLineSize = 256;  // 255 characters and the terminating NUL

extern char settingsLines[settingsMaxLines][settingsLineSize];
extern int settingsLineCount;  // 0 when the file could not be opened, otherwise 100

void loadSettingsFile();
float readSetting(const char* key);
void applySettings();
