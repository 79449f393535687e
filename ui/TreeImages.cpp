// The tree's pictures as pixel maps: one character per pixel, a palette for
// the characters, "." the red background that the list's mask hides.
#include "ui/TreeImages.h"

#include <array>

namespace ui {

namespace {

using PixelMap = std::array<const char*, TreeImageSize>;

const PixelMap Pictures[TreeImageCount] = {
    // 1: the project: a window with a pencil
    {{
        "..................",
        "kkkkkkkkkkkkkk....",
        "knnnnnnnnnllnk....",
        "knnnnnnnnnllnk....",
        "kkkkkkkkkkkkkk....",
        "kwwwwwwwwwwwwk....",
        "kwgggggggwwwwk.k..",
        "kwwwwwwwwwwwwkkpk.",
        "kwgggggggwwwwkpppk",
        "kwwwwwwwwwwwkyypk.",
        "kwgggggggwwkyyok..",
        "kwwwwwwwwwkyyok...",
        "kwwwwwwwwkyyok....",
        "kkkkkkkkkyyokk....",
        ".......kyyok......",
        "......kttok.......",
        "......kttk........",
        "......kkk.........",
    }},
    // 2: forms: a window with a cyan title bar
    {{
        "..................",
        "..................",
        ".kkkkkkkkkkkkkkkk.",
        ".kcccccccccccllck.",
        ".kcccccccccccllck.",
        ".kcccccccccccccck.",
        ".kkkkkkkkkkkkkkkk.",
        ".kwwwwwwwwwwwwwwk.",
        ".kwgggggwwwwwwwwk.",
        ".kwgggggwwwwwwwwk.",
        ".kwwwwwwwwwwwwwwk.",
        ".kwgggggggggwwwwk.",
        ".kwwwwwwwwwwwwwwk.",
        ".kwgggggggwwwwwwk.",
        ".kwwwwwwwwwwwwwwk.",
        ".kkkkkkkkkkkkkkkk.",
        "..................",
        "..................",
    }},
    // 3: class modules: a tray holding coloured blocks
    {{
        "..................",
        "..................",
        "..................",
        "...........kkkkk..",
        "..kkkkk....kyyyk..",
        "..kbbbk....kyyyk..",
        "..kbbbkkkkkkyyyk..",
        "..kbbbkkGGGkkkkk..",
        "..kkkkkkGGkkkkk...",
        "...kkkkkGGkrrrk...",
        "...kmmmkkkkrrrk...",
        "...kkkkk..kkkkk...",
        "kooooooooooooooook",
        "kBBBBBBBBBBBBBBBBk",
        "kBBBBBBBBBBBBBBBBk",
        "kkkkkkkkkkkkkkkkkk",
        ".kkkkkkkkkkkkkkkk.",
        "..................",
    }},
    // 4: standard modules: coloured diamonds joined by lines
    {{
        "..................",
        "....k.............",
        "...kbk............",
        "..kbbbk...........",
        ".kbbbbbk..........",
        "..kbbbkk.....k....",
        "...kbk..kk..kGk...",
        "....k.....kkGGGk..",
        "....k.....kGGGGGk.",
        ".....k.....kGGGk..",
        ".....k...kk.kGk...",
        "....kmk.k....k....",
        "...kmmmk..........",
        "..kmmmmmk.........",
        "...kmmmk..........",
        "....kmk...........",
        ".....k............",
        "..................",
    }},
    // 5: user controls: a small window with a blue title bar and a pencil, drawn at 16 x 16
    {{
        "..................",
        ".kkkkkkkkkkkk.....",
        ".kbbbbbbbbbbk.....",
        ".kbbbbbbbbbbk.....",
        ".kkkkkkkkkkkk.....",
        ".kwwwwwwwwwwk.....",
        ".kwggggggwwwk.k...",
        ".kwwwwwwwwwwkkpk..",
        ".kwggggwwwwwkpppk.",
        ".kwwwwwwwwwkyypk..",
        ".kwwwwwwwwkyyok...",
        ".kkkkkkkkkyyok....",
        "........kyyok.....",
        ".......kyyok......",
        "......kttok.......",
        "......kttk........",
        "......kkk.........",
        "..................",
    }},
    // 6: folders: an open yellow folder
    {{
        "..................",
        "..................",
        "..................",
        ".kkkkkk...........",
        ".kooook...........",
        ".kkkkkkkkkkkkkk...",
        ".kooooooooooook...",
        ".kooooooooooook...",
        ".koookkkkkkkkkkkkk",
        ".koookyyyyyyyyyyyk",
        ".kookyyyyyyyyyyyk.",
        ".kookyyyyyyyyyyyk.",
        ".kokyyyyyyyyyyyk..",
        ".kokyyyyyyyyyyyk..",
        ".kkkkkkkkkkkkkk...",
        "..................",
        "..................",
        "..................",
    }},
};

COLORREF PaletteColour(char c) {
    switch (c) {
    case 'k': return RGB(0, 0, 0);
    case 'g': return RGB(128, 128, 128);
    case 'l': return RGB(192, 192, 192);
    case 'w': return RGB(255, 255, 255);
    case 'n': return RGB(0, 0, 128);
    case 'b': return RGB(0, 0, 255);
    case 'c': return RGB(0, 255, 255);
    case 'y': return RGB(255, 255, 0);
    case 'o': return RGB(192, 160, 0);
    case 'r': return RGB(128, 0, 0);
    case 'm': return RGB(255, 0, 255);
    case 'G': return RGB(0, 160, 0);
    case 'p': return RGB(255, 160, 176);
    case 't': return RGB(240, 208, 144);
    case 'B': return RGB(128, 64, 0);
    default: return TreeImageMask;
    }
}

}  // namespace

Bitmap CreateTreeImage(int position) {
    if (position < 1 || position > TreeImageCount) return Bitmap();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = TreeImageSize;
    info.bmiHeader.biHeight = -TreeImageSize;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return bitmap;
    GdiFlush();
    const int stride = (TreeImageSize * 3 + 3) & ~3;
    const PixelMap& picture = Pictures[position - 1];
    for (int y = 0; y < TreeImageSize; ++y) {
        auto* row = static_cast<BYTE*>(bits) + y * stride;
        for (int x = 0; x < TreeImageSize; ++x) {
            const COLORREF colour = PaletteColour(picture[y][x]);
            row[3 * x + 0] = GetBValue(colour);
            row[3 * x + 1] = GetGValue(colour);
            row[3 * x + 2] = GetRValue(colour);
        }
    }
    return bitmap;
}

ImageList CreateTreeImageList() {
    ImageList list(ImageList_Create(TreeImageSize, TreeImageSize, ILC_COLOR24 | ILC_MASK, TreeImageCount, 0));
    if (!list.Get()) return list;
    for (int position = 1; position <= TreeImageCount; ++position) {
        Bitmap picture = CreateTreeImage(position);
        if (!picture || ImageList_AddMasked(list.Get(), picture.Get(), TreeImageMask) != position - 1) {
            return ImageList();
        }
    }
    return list;
}

}  // namespace ui
