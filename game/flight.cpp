#include "game/flight.h"

void stepFlight(float) {}
float craftDistance(float, float, float reach) { return reach; }
