// Interface start-up: the interface texture from "Media/dashboard.png" and every table of the
// font, frames, pointer and panels, with the pause at rest.
#pragma once

struct SDL_Surface;

void initInterface();

// The 1024 x 256 interface surface built from the dashboard image: the image copied, alpha and
// all, into its top-left corner. Null when the image is missing or cannot be converted.
SDL_Surface* atlasFromDashboard(const char* path);

// A plain atlas drawn by the program itself, used when the dashboard image is unusable so that
// the pause panels, labelled buttons and pointer still show: a blocky font, grey frames, dark
// panels and an arrow. Null only when no surface can be made.
SDL_Surface* makeFallbackAtlas();
