#include "game/scene.h"

void prepareMeshTexCoords() {}
void drawScene() {}
