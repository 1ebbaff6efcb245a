#include "game/meshes.h"

Mesh obstacleMesh;
Mesh craftMesh;
