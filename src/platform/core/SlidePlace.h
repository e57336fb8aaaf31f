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

}  // namespace kv
