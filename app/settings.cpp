#include "app/settings.h"

char settingsLines[settingsMaxLines][settingsLineSize];
int settingsLineCount;

void loadSettingsFile() {}
float readSetting(const char*) { return 0.0f; }
void applySettings() {}
