// The six pictures of the project tree, drawn in code as 24-bit bitmaps on a
// pure red background, and the image list that the tree takes them from.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "ui/Win32Support.h"

namespace ui {

/// Width and height of the tree's images, in pixels.
inline constexpr int TreeImageSize = 18;
/// The mask colour: red areas are drawn transparent.
inline constexpr COLORREF TreeImageMask = RGB(255, 0, 0);
/// How many pictures the list holds.
inline constexpr int TreeImageCount = 6;

/// The picture at 1-based `position` as an 18 x 18, 24-bit bitmap.
Bitmap CreateTreeImage(int position);

/// The image list imgList: 18 x 18, 24-bit colour with a mask, the six
/// pictures in their positions (tree image n is list index n - 1).
ImageList CreateTreeImageList();

}  // namespace ui
