// app/picture.h: the background picture at the display's scale.
#ifndef VELTO_APP_PICTURE_H
#define VELTO_APP_PICTURE_H

#include "platform/platform.h"

// A new bitmap of cx x cy pixels with hSource's picture stretched over it by GDI's halftone
// stretching, which blends neighbouring pixels, so that a line or an edge comes out soft instead
// of stepped. It is a DIB section of 16 bits a pixel (5-5-5), the format the resource's picture
// is kept in: nothing the source has is lost, at half the memory of a 32-bit copy. Null when
// hSource is no bitmap, the sizes are not positive, or GDI fails. The caller deletes the result.
// On the way it takes a 32-bit bitmap of that size for a moment, deleted before it returns.
//
// The picture is scaled about the point insetX, insetY pixels up and left of its first pixel,
// for a picture shown that far inside a border that keeps its width at every scale (a control's
// edge): what lies around it, scaled about that point too, stays where it was on the picture.
// The strip this uncovers at the top and left repeats the picture's first row and column.
HBITMAP CreateScaledPicture(HBITMAP hSource, int cx, int cy, int insetX = 0, int insetY = 0);

#endif  // VELTO_APP_PICTURE_H
