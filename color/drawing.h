// The drawing colour and material: an OglColor or an OglMaterial sent to
// OpenGL for what is drawn next, while the context is `open`. Neither is
// stored. Under lighting (`lit`) a colour reaches the material through
// colour tracking, and a material switches tracking off.
#pragma once

#include "color/color.h"
#include "color/material.h"

void SetDrawingColor(const OglColor& color, bool open, bool lit);
void SetDrawingMaterial(const OglMaterial& material, bool open, bool lit);
