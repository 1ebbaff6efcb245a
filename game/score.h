// The score panel and the high score kept in "velmora.score" across runs.
#pragma once

constexpr const char* scoreFileName = "velmora.score";

void drawScoreDisplay();
void resetGame();
