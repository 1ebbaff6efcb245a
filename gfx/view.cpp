#include "gfx/view.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "app/display.h"
#include "game/game_record.h"
#include "gfx/texture.h"

constexpr double nearPlane = 1.0;
constexpr double farPlane = 1000.0;
constexpr double radToDeg = 57.29578f;  // 180/pi in single precision, widened as it is

// OpenGL takes degrees; the product is rounded to a float before the call.
static float degrees(float radians) { return static_cast<float>(radians * radToDeg); }

static void loadIdentities() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
}

void setPerspectiveView(float pitch, float yaw, float fieldOfView) {
    const Body& camera = gameRecord.camera;
    glEnable(GL_DEPTH_TEST);
    loadIdentities();
    gluPerspective(fieldOfView, displayConfig.aspectRatio, nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(degrees(camera.rotation.z), 0.0f, 0.0f, 1.0f);
    glRotatef(degrees(pitch), 1.0f, 0.0f, 0.0f);
    glRotatef(degrees(yaw), 0.0f, 1.0f, 0.0f);
    glTranslatef(-camera.position.x, -camera.position.y, -camera.position.z);
}

// Window pixels with the origin at the top-left corner and y downward; the projection stays
// selected.
void setOverlayView(float offsetY, float offsetX) {
    glDisable(GL_DEPTH_TEST);
    loadIdentities();
    const float sx = 1.0f / ((displayConfig.screenWidth - offsetX) * 0.5f);
    const float sy = 1.0f / ((displayConfig.screenHeight - offsetY) * 0.5f);
    glScalef(1.0f, -1.0f, 1.0f);
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glScalef(sx, sy, 1.0f);
    glTranslatef(offsetX, offsetY, 0.0f);
}

// The blend and alpha-test functions were set when the display opened; only the switches are
// flipped here, and the caller switches them off again when its drawing is done.
void beginInterfaceDrawing() {
    setOverlayView(0.0f, 0.0f);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glBindTexture(GL_TEXTURE_2D, interfaceTexture);
}
