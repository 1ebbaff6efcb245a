// The 3-D scene: every live pillar and the craft, drawn through the chase camera.
#pragma once

void prepareMeshTexCoords();
void drawScene();
