// Painting the panel.
#pragma once

#include "platform/fw.h"

void TuneStripGuiOnRedraw(DISP_OBJ* obj, int a, int b, int c);
void DrawHighlightID(int font, TEXTID text, int align, int x1, int y1, int x2, int y2,
                     uint32_t color, uint32_t border);
// The enabled labels, each at its configured place moved down by the slide offset.
void DrawLabels();
void DrawIcn(GC* gc, RECT rc, int32_t offset, int16_t image);
void DrawProgressBar(uint32_t color1, uint32_t color2, RECT rc, int32_t position, int32_t total,
                     int32_t offset);
