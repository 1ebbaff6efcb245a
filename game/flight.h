// The simulation: one step moves the craft, steers it, spawns pillars ahead, retires those
// behind the camera, tests for a crash and moves the chase camera.
#pragma once

void stepFlight(float dt);
float craftDistance(float ox, float oz, float reach);
