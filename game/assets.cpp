#include "game/assets.h"

char gameTitle[256];

void loadGameAssets() {}
