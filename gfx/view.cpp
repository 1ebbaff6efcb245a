#include "gfx/view.h"

void setPerspectiveView(float, float, float) {}
void setOverlayView(float, float) {}
void beginInterfaceDrawing() {}
