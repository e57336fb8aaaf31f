// The sounds a presentation's package plays by itself, read from its parts:
// the XML as any writer may prefix it, and the slides' sounds with when each
// starts, from decks assembled the way PowerPoint writes them.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files/PackageSounds.h"
#include "platform/files/XmlTree.h"
#include "support/OoxmlDeck.h"
#include "support/ShellOutput.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

TEST(XmlTree, ReadsElementsWhateverTheirPrefixes) {
    const auto root = kv::ParseXml(
        "<?xml version=\"1.0\"?>\n<!-- written by hand --><p:sld xmlns:p='x' xmlns:r=\"y\"><p:cSld>"
        "<p:pic r:embed=\"rId&amp;2\" name = 'a &lt; b'/><x:pic/></p:cSld><![CDATA[<not/>]]><p:timing/></p:sld>");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->name, "sld");
    ASSERT_EQ(root->children.size(), 2u);
    std::vector<const kv::XmlElement*> pictures;
    root->FindAll("pic", pictures);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0]->Attribute("embed"), "rId&2");
    EXPECT_EQ(pictures[0]->Attribute("name"), "a < b");
    EXPECT_EQ(root->Child("timing"), &root->children[1]);
    EXPECT_EQ(root->Find("nothing"), nullptr);
    for (const char* broken : {"<a><b></a>", "<a>", "<a x=1/>", "<a/><b/>", "<a x=\"1/>"})
        EXPECT_FALSE(kv::ParseXml(broken)) << broken;
}

TEST(PackageSounds, TransitionSoundsMediaAndLoopsSlideBySlide) {
    kvtest::TempDir dir("kalvista-sounds");
    const fs::path tone = dir / "tone.wav", film = dir / "film.mp4";
    kvtest::ShellOutput("ffmpeg -v error -f lavfi -i sine=frequency=440 -t 1 '" + tone.string() + "'");
    kvtest::ShellOutput("ffmpeg -v error -f lavfi -i testsrc2=size=160x120:rate=10 -f lavfi -i sine -t 1 -c:v libx264 "
                        "-c:a aac '" + film.string() + "'");
    const fs::path deck = dir / "sounds.pptx";
    kvtest::MakeOoxmlDeck(deck, R"({"slides": [
        {"title": "Quiet"},
        {"title": "Whoosh", "transition": "fade", "sound": true},
        {"title": "Narrated", "media": ")" + tone.string() + R"("},
        {"title": "Film", "media": ")" + film.string() + R"("},
        {"title": "Music", "media": ")" + tone.string() + R"(", "loop": true, "sound": true}]})");
    const auto slides = kv::SoundsInPackage(deck);
    ASSERT_EQ(slides.size(), 5u);
    EXPECT_TRUE(slides[0].empty());
    using Start = kv::PackageSound::Start;
    ASSERT_EQ(slides[1].size(), 1u);
    EXPECT_EQ(slides[1][0].part, "ppt/media/click.wav");
    EXPECT_EQ(slides[1][0].start, Start::Transition);
    ASSERT_EQ(slides[2].size(), 1u);
    EXPECT_EQ(slides[2][0].part, "ppt/media/media3.wav");
    EXPECT_EQ(slides[2][0].start, Start::Effects) << "set to play by itself, with the slide";
    EXPECT_FALSE(slides[2][0].loop);
    ASSERT_EQ(slides[3].size(), 1u);
    EXPECT_EQ(slides[3][0].part, "ppt/media/media4.mp4") << "a film's sound too";
    ASSERT_EQ(slides[4].size(), 2u);
    EXPECT_EQ(slides[4][0].start, Start::Transition);
    EXPECT_TRUE(slides[4][1].loop);

    // Formats whose sounds are not read here, and files that are no package.
    EXPECT_TRUE(kv::SoundsInPackage(dir / "missing.pptx").empty());
    EXPECT_TRUE(kv::SoundsInPackage(tone).empty());
}

}  // namespace
