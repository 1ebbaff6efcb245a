#include "game/score.h"

void drawScoreDisplay() {}
void resetGame() {}
