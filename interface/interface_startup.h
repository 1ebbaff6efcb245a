// Interface start-up: the interface texture from "Media/dashboard.png" and every table of the
// font, frames, pointer and panels, with the pause at rest.
#pragma once

void initInterface();
