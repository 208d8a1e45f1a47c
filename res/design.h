// res/design.h: the sizes and places that the resource script, the pictures scripts/draw-art draws
// and the tests must agree on, written once. draw-art reads these lines itself: keep each value a
// plain number or a list of numbers, one #define a line.
#ifndef VELTO_RES_DESIGN_H
#define VELTO_RES_DESIGN_H

// The background picture (background.bmp), in its own pixels.
#define PICTURE_WIDTH           302
#define PICTURE_HEIGHT          500
// The gold hairline drawn round the region list runs along this rectangle's outer pixels: columns
// LEFT and RIGHT - 1, rows TOP and BOTTOM - 1.
#define PICTURE_FRAME_LEFT      46
#define PICTURE_FRAME_TOP       116
#define PICTURE_FRAME_RIGHT     256
#define PICTURE_FRAME_BOTTOM    372
// The footer band below the buttons starts with a divider on this row.
#define PICTURE_FOOTER_TOP      462

// The application icon's images (launcher.ico), in pixels, largest first.
#define ICON_SIZES              128, 96, 72, 64, 48, 32, 24, 16

// The region-selection dialog, in dialog units, which are 2 px each way at the designed 96 DPI:
// its client area, the region list and the two buttons. The picture lies under them from the
// client area's corner, inside the sunken edge of its control.
#define LAUNCHER_WIDTH          153
#define LAUNCHER_HEIGHT         251
#define LAUNCHER_LIST_X         25
#define LAUNCHER_LIST_Y         60
#define LAUNCHER_LIST_WIDTH     101
#define LAUNCHER_LIST_HEIGHT    124
#define LAUNCHER_BUTTON_Y       187
#define LAUNCHER_BUTTON_HEIGHT  14
#define LAUNCHER_CONFIRM_X      35
#define LAUNCHER_CONFIRM_WIDTH  28
#define LAUNCHER_QUIT_X         90
#define LAUNCHER_QUIT_WIDTH     26

#endif  // VELTO_RES_DESIGN_H
