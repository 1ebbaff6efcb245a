// The two triangle meshes: the octagonal pillar and the geodesic craft. Positions and normals
// are constant; texture coordinates are written once at start-up by prepareMeshTexCoords.
#pragma once

struct Mesh {
    int vertexCount;
    float* positions;  // 3 per vertex
    float* texCoords;  // 2 per vertex
    float* normals;    // 3 per vertex
};

extern Mesh obstacleMesh;  // 72 vertices
extern Mesh craftMesh;     // 960 vertices
