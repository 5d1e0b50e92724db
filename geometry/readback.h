// Reading the frame buffer back as the picture it shows, multisampled or not.
#pragma once

#include <GL/gl.h>

// glReadPixels of the current read buffer in GL_RGB bytes, rows as the pack
// state says. A multisampled frame buffer is first resolved (the samples of
// each pixel averaged), as the screen shows it; reading it directly gives
// one sample of each pixel with Mesa's llvmpipe.
void ReadShownPixels(int x, int y, int width, int height, unsigned char* rgb);
