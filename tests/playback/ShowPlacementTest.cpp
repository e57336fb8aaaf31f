// The office's window is sized so that its show's page lands exactly on the
// slide's place: no light or dark line at its right or bottom, no page a
// pixel too wide or too high, whatever the page's shape and the area's size.
#include <gtest/gtest.h>

#include "playback/ShowPlacement.h"

namespace kv {
namespace {

struct Page {
    long long width, height;  // hundredths of a millimetre
};

// 4:3 and 16:9 pages of other writers and of our office, a square and a tall one.
const Page kPages[] = {{25400, 19050}, {25400, 14288}, {28000, 21000}, {33867, 19050}, {19050, 19050}, {14288, 25400}};

TEST(ShowPlacement, TheShowsPageCoversExactlyTheSlidesPlaceForEveryShapeAndSize) {
    int inexact = 0, cases = 0;
    for (const Page& page : kPages) {
        for (int width = 160; width <= 1920; width += 37) {
            for (const int height : {width * 3 / 4, width * 9 / 16, width, width * 2 / 3 + 1}) {
                const PixelRect place = SlidePlaceIn(width, height, page.width, page.height);
                const PixelRect office = OfficeWindowFor(width, height, page.width, page.height);
                const PixelRect shown = ShownPageIn(office.width, office.height, page.width, page.height);
                SCOPED_TRACE(std::to_string(page.width) + "x" + std::to_string(page.height) + " in " +
                             std::to_string(width) + "x" + std::to_string(height));
                // The page starts at the place's corner and is never more than a pixel off in size.
                EXPECT_EQ(office.x + shown.x, 0);
                EXPECT_EQ(office.y + shown.y, 0);
                EXPECT_LE(std::abs(shown.width - place.width) + std::abs(shown.height - place.height), 1);
                inexact += shown.width != place.width || shown.height != place.height;
                ++cases;
            }
        }
    }
    // Whole pixels cannot always give both sides (about one case in five).
    EXPECT_LT(inexact * 4, cases) << inexact << " of " << cases << " not exact";
}

TEST(ShowPlacement, TheCorpusSizesAreExactAndTheSlidesPlaceIsCentred) {
    // 640x480: 4:3 fills it, 16:9 leaves 60 rows above and below, a square 80 columns beside.
    EXPECT_EQ(SlidePlaceIn(640, 480, 25400, 19050), (PixelRect{0, 0, 640, 480}));
    EXPECT_EQ(SlidePlaceIn(640, 480, 25400, 14288), (PixelRect{0, 60, 640, 360}));
    EXPECT_EQ(SlidePlaceIn(640, 480, 19050, 19050), (PixelRect{80, 0, 480, 480}));
    for (const Page& page : {Page{25400, 19050}, Page{25400, 14288}, Page{19050, 19050}}) {
        const PixelRect place = SlidePlaceIn(640, 480, page.width, page.height);
        const PixelRect office = OfficeWindowFor(640, 480, page.width, page.height);
        const PixelRect shown = ShownPageIn(office.width, office.height, page.width, page.height);
        EXPECT_EQ((PixelRect{office.x + shown.x, office.y + shown.y, shown.width, shown.height}),
                  (PixelRect{0, 0, place.width, place.height}));
    }
    // A window two pixels larger than the place draws a 4:3 page a pixel too wide.
    EXPECT_EQ(ShownPageIn(642, 482, 25400, 19050), (PixelRect{0, 0, 641, 480}));
    // An unknown page counts as the area's shape.
    EXPECT_EQ(SlidePlaceIn(800, 600, 0, 0), (PixelRect{0, 0, 800, 600}));
    EXPECT_EQ(ShownPageIn(OfficeWindowFor(800, 600, 0, 0).width, OfficeWindowFor(800, 600, 0, 0).height, 800, 600).width, 800);
}

// A page of another shape than the video is letterboxed or pillarboxed, and
// the show's page covers exactly the place a drawn slide picture gets: the
// recorded and the drawn video have the same black bands, to the pixel.
TEST(ShowPlacement, WideAndNarrowPagesGetTheSameBandsInTheShowAsInTheDrawnPicture) {
    struct Case {
        int width, height;
        Page page;
        PixelRect place;
    };
    const Case cases[] = {{640, 480, {33867, 19050}, {0, 60, 640, 360}},    // 16:9 in 4:3: letterbox
                          {640, 480, {25400, 14288}, {0, 60, 640, 360}},    // the older 16:9 size
                          {1280, 720, {25400, 19050}, {160, 0, 960, 720}},  // 4:3 in 16:9: pillarbox
                          {1280, 720, {27517, 19050}, {120, 0, 1040, 720}}};  // A4-like, a custom size
    for (const Case& c : cases) {
        const PixelRect place = SlidePlaceIn(c.width, c.height, c.page.width, c.page.height);
        EXPECT_EQ(place, c.place) << c.width << "x" << c.height;
        const PixelRect office = OfficeWindowFor(c.width, c.height, c.page.width, c.page.height);
        const PixelRect shown = ShownPageIn(office.width, office.height, c.page.width, c.page.height);
        EXPECT_EQ((PixelRect{place.x + office.x + shown.x, place.y + office.y + shown.y, shown.width, shown.height}),
                  place);
    }
}

}  // namespace
}  // namespace kv
