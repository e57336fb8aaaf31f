#pragma once
// Where a slide lies in a picture or window of another shape: scaled to fit,
// centred, the rest left black. The show's window and the drawn slide
// pictures both place a slide here, so the two paths give the same bands.
namespace kv {

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

// The slide's place in an area: as wide or as high as the area, the other
// side rounded to the page's shape (page in any unit), centred. An unknown
// page fills the area.
PixelRect SlidePlaceIn(int areaWidth, int areaHeight, long long pageWidth, long long pageHeight);

// A box on the page (page units) widened to the whole pixels it touches on a
// slide drawn at `pixelsPerUnit` from the page's corner: those pixels, and the
// page box just covering them (each edge on its pixel edge or less than a
// unit beyond). A picture drawn over `units` at `pixels` size lies on the
// slide's own pixels, and a show places it there without resampling.
struct GridBox {
    PixelRect pixels;
    long long x = 0, y = 0, width = 0, height = 0;  // page units
};
GridBox WholePixelsAround(long long x, long long y, long long width, long long height, double pixelsPerUnit);

}  // namespace kv
