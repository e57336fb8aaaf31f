// Which of the office's metafiles its show would turn into a bitmap (and so,
// at our fine screen resolution, shrink into a corner): the reader looks at
// every action, is fooled by no lengths, and takes a damaged metafile for one
// the show cannot draw as it stands.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/automation/uno/MetafileActions.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, std::uint16_t v) { out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }
void Put32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

struct Action {
    std::uint16_t type;
    Bytes data;
};

// A metafile as the office writes it: "VCLMTF", its versioned header (map
// mode as a block of its own, size, action count), then each action as type,
// version and length before its data. `count` may claim other than the truth.
Bytes Metafile(const std::vector<Action>& actions, long count = -1) {
    Bytes header;
    Put32(header, 0);                     // not compressed
    Put16(header, 1), Put32(header, 23);  // map mode block
    header.insert(header.end(), 23, 0);
    Put32(header, 16933), Put32(header, 11289);  // size
    Put32(header, count < 0 ? std::uint32_t(actions.size()) : std::uint32_t(count));
    Bytes out{'V', 'C', 'L', 'M', 'T', 'F'};
    Put16(out, 1), Put32(out, std::uint32_t(header.size()));
    out.insert(out.end(), header.begin(), header.end());
    for (const Action& action : actions) {
        Put16(out, action.type), Put16(out, 1), Put32(out, std::uint32_t(action.data.size()));
        out.insert(out.end(), action.data.begin(), action.data.end());
    }
    return out;
}

const Action kLine{102, Bytes(16, 7)};
const Action kComment{512, Bytes{4, 0, 'X', 'Y', 'Z', 'W', 0, 0, 0, 0}};
Action RasterOp(std::uint16_t op) {
    Bytes data;
    Put16(data, op);
    return {141, data};
}

TEST(MetafileActions, OnlyActionsTheShowsCanvasCannotDrawMakeABitmap) {
    EXPECT_FALSE(kv::uno::ShowDrawsAsBitmap(Metafile({})));
    EXPECT_FALSE(kv::uno::ShowDrawsAsBitmap(Metafile({kLine, kComment, RasterOp(0), kLine})));
    // A gradient clipped the old way: painted with XOR, cleared with "zero", painted again.
    EXPECT_TRUE(kv::uno::ShowDrawsAsBitmap(Metafile({kLine, RasterOp(1), RasterOp(2), RasterOp(1)})));
    EXPECT_TRUE(kv::uno::ShowDrawsAsBitmap(Metafile({kLine, {127, Bytes(40, 0)}})));  // a wallpaper
    EXPECT_TRUE(kv::uno::ShowDrawsAsBitmap(Metafile({{131, Bytes(8, 0)}})));         // a moved clip region
    EXPECT_TRUE(kv::uno::ShowDrawsAsBitmap(Metafile({kComment, {144, Bytes(9, 0)}})));  // a reference point
    // Data that merely holds the value of such a type is no action of it.
    EXPECT_FALSE(kv::uno::ShowDrawsAsBitmap(Metafile({{102, Bytes{141, 0, 1, 0, 127, 0}}})));
}

TEST(MetafileActions, ADamagedOrForeignStreamCountsAsOneTheShowCannotDraw) {
    const Bytes good = Metafile({kLine, kComment});
    ASSERT_FALSE(kv::uno::ShowDrawsAsBitmap(good));
    EXPECT_TRUE(kv::uno::ShowDrawsAsBitmap({}));
    EXPECT_TRUE(kv::uno::ShowDrawsAsBitmap(Bytes{'G', 'I', 'F', '8', '9', 'a'}));
    for (size_t cut = 1; cut < good.size(); ++cut)
        EXPECT_TRUE(kv::uno::ShowDrawsAsBitmap(Bytes(good.begin(), good.begin() + long(cut)))) << "cut at " << cut;
    // More actions claimed than there are; an action longer than the stream.
    EXPECT_TRUE(kv::uno::ShowDrawsAsBitmap(Metafile({kLine}, 2)));
    Bytes lying = Metafile({kLine});
    lying[lying.size() - 16 - 4] = 0xFF;  // the line's length, now past the end
    EXPECT_TRUE(kv::uno::ShowDrawsAsBitmap(lying));
    // A header block that claims the whole of memory.
    Bytes huge = good;
    huge[8] = huge[9] = huge[10] = huge[11] = 0xFF;
    EXPECT_TRUE(kv::uno::ShowDrawsAsBitmap(huge));
}

}  // namespace
