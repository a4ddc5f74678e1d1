// The small pictures of the "Charger" and "Enregistrer" buttons, drawn with
// GDI on the button after the system has painted it (16 x 16, the same
// drawing as the Qt back end's).
#include "GlyphesWin32.h"

namespace velmora::win32 {

namespace {

struct Outils {
    HDC dc;
    int x, y;
    void Crayon(COLORREF c) {
        DeleteObject(SelectObject(dc, CreatePen(PS_SOLID, 1, c)));
    }
    void Pinceau(COLORREF c) { DeleteObject(SelectObject(dc, CreateSolidBrush(c))); }
    // Qt's drawRect(l, h, w, h): the outline covers w + 1 by h + 1 pixels.
    void Cadre(int l, int h, int lg, int ht) { Rectangle(dc, x + l, y + h, x + l + lg + 1, y + h + ht + 1); }
    void Trait(int x1, int y1, int x2, int y2) {
        // Both ends drawn, as Qt does: one pixel past the last.
        MoveToEx(dc, x + x1, y + y1, nullptr);
        LineTo(dc, x + x2 + (x2 > x1) - (x2 < x1), y + y2 + (y2 > y1) - (y2 < y1));
    }
};

} // namespace

void DessinerGlyphe(HDC dc, TGlyphe g, int x, int y) {
    if (g == TGlyphe::Aucun) return;
    const int sauve = SaveDC(dc);
    SelectObject(dc, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    SelectObject(dc, CreateSolidBrush(RGB(255, 255, 255)));
    Outils o{dc, x, y};
    if (g == TGlyphe::Charger) {
        // A document in front of a yellow folder.
        o.Crayon(RGB(128, 128, 0));
        o.Pinceau(RGB(255, 255, 0));
        o.Cadre(0, 4, 12, 10);
        o.Cadre(0, 3, 5, 1);
        o.Crayon(RGB(0, 0, 0));
        o.Pinceau(RGB(255, 255, 255));
        o.Cadre(6, 1, 8, 12);
        o.Trait(8, 4, 12, 4);
        o.Trait(8, 6, 12, 6);
        o.Trait(8, 8, 12, 8);
        o.Trait(8, 10, 11, 10);
    } else {
        // A document, a red arrow pointing into a diskette.
        o.Crayon(RGB(0, 0, 0));
        o.Pinceau(RGB(255, 255, 255));
        o.Cadre(0, 0, 6, 8);
        o.Pinceau(RGB(0, 0, 128));
        o.Cadre(5, 6, 10, 9);
        o.Pinceau(RGB(192, 192, 192));
        o.Cadre(7, 7, 6, 3);
        const RECT blanc{x + 8, y + 12, x + 13, y + 15};
        FillRect(dc, &blanc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        o.Crayon(RGB(255, 0, 0));
        o.Trait(3, 3, 9, 9);
        o.Pinceau(RGB(255, 0, 0));
        const POINT fleche[] = {{x + 10, y + 10}, {x + 10, y + 6}, {x + 6, y + 10}};
        Polygon(dc, fleche, 3);
    }
    // The last pen and brush made here go with the restored context.
    HGDIOBJ crayon = GetCurrentObject(dc, OBJ_PEN), pinceau = GetCurrentObject(dc, OBJ_BRUSH);
    RestoreDC(dc, sauve);
    DeleteObject(crayon);
    DeleteObject(pinceau);
}

} // namespace velmora::win32
