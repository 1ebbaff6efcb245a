// The two kinds of view: the perspective chase camera and the flat overlay in window pixels
// (origin top left, y downward), plus the set-up shared by all interface drawing.
#pragma once

void setPerspectiveView(float pitch, float yaw, float fieldOfView);
void setOverlayView(float offsetY, float offsetX);
void beginInterfaceDrawing();
