#include "game/scene.h"

#include <GL/gl.h>

#include "app/platform.h"
#include "game/game_record.h"
#include "game/meshes.h"
#include "gfx/view.h"

constexpr float sceneFieldOfView = 50.0f;
// 90 x 0.017453292 worked out in double: the view's own forward is -z, the flight's is +x.
constexpr double quarterTurn = 90.0 * static_cast<double>(0.017453292f);

void drawScene() {
    const GameRecord& game = gameRecord;
    const float pitch = -game.camera.rotation.x;  // the stored pitch is negative: looking down
    const float yaw = static_cast<float>(game.camera.rotation.y + quarterTurn);
    setPerspectiveView(pitch, yaw, sceneFieldOfView);
    glEnable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glBindTexture(GL_TEXTURE_2D, game.meshTexture);
    const int count = game.obstacleCount < maxObstacles ? game.obstacleCount : maxObstacles;
    for (int i = 0; i < count; ++i) {
        const Obstacle& obstacle = game.obstacles[i];
        drawMeshAt(obstacleMesh, obstacle.x, obstacle.y, obstacle.z);
    }
    const Vec3& craft = game.craft.position;
    drawMeshAt(craftMesh, craft.x, craft.y, craft.z);
    finishMeshDraws();
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
    // Lighting is never switched on; these two are switched off all the same, last.
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
}

// Every triangle shows the same half of the mesh picture: its top-left corner at the first
// vertex, the top-right at the second, the bottom-left at the third.
static void setTriangleTexCoords(Mesh& mesh) {
    static const float corners[6] = {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f};
    for (int i = 0; i < mesh.vertexCount * 2; ++i) mesh.texCoords[i] = corners[i % 6];
}

void prepareMeshTexCoords() {
    setTriangleTexCoords(obstacleMesh);
    setTriangleTexCoords(craftMesh);
}
