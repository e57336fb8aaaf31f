// The slides a presentation's own file lists, read without any office: the
// office turns a deck without slides into one with a blank slide, so this
// reading is what tells an empty deck from a one-slide one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/files/PresentationPackage.h"
#include "platform/files/ZipEntries.h"
#include "support/ShellOutput.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

fs::path Corpus(const char* name) {
    const char* source = std::getenv("KALVISTA_SOURCE_DIR");
    return fs::path(source ? source : ".") / "tests/corpus/decks" / name;
}

// A zip written by Python's zipfile with these entries (name, text); deflated
// unless `stored`.
fs::path Zip(const kvtest::TempDir& dir, const std::string& name, const std::vector<std::pair<std::string, std::string>>& entries,
             bool stored = false) {
    const fs::path file = dir / name;
    std::string script = "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_" +
                         std::string(stored ? "STORED" : "DEFLATED") + ")\n";
    for (const auto& [entry, text] : entries) {
        const fs::path part = dir / ("part-" + std::to_string(script.size()));
        std::ofstream(part, std::ios::binary) << text;
        script += "z.write(r'" + part.string() + "', r'" + entry + "')\n";
    }
    script += "z.close()\n";
    std::ofstream(dir / "zip.py") << script;
    kvtest::ShellOutput("python3 '" + (dir / "zip.py").string() + "' '" + file.string() + "'");
    return file;
}

std::string OdfContent(const std::string& drawPrefix, int pages) {
    std::string xml = "<?xml version=\"1.0\"?><office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                      "xmlns:" + drawPrefix + "=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
                      "xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\">"
                      "<office:body><office:presentation>";
    for (int k = 0; k < pages; ++k)
        xml += "<" + drawPrefix + ":page " + drawPrefix + ":name=\"page" + std::to_string(k + 1) + "\"><presentation:notes>"
               "<" + drawPrefix + ":page-thumbnail/></presentation:notes></" + drawPrefix + ":page>";
    return xml + "</office:presentation></office:body></office:document-content>";
}

TEST(PresentationPackage, OoxmlDecksListTheirSlidesHiddenOnesIncluded) {
    EXPECT_EQ(kv::SlidesListedInPackage(Corpus("no-slides.pptx")), 0);
    EXPECT_EQ(kv::SlidesListedInPackage(Corpus("four-by-three.pptx")), 3);
    EXPECT_EQ(kv::SlidesListedInPackage(Corpus("hidden-slides.pptx")), 4);
    EXPECT_EQ(kv::SlidesListedInPackage(Corpus("self-running.ppsx")), 2);
    EXPECT_EQ(kv::SlidesListedInPackage(Corpus("timed-transitions.pptx")), 5);
}

// The office's import keeps whole seconds only, and no time on a slide
// without a transition effect (the first two here): the file keeps them all.
TEST(PresentationPackage, OoxmlDecksKeepEachSlidesOwnTime) {
    EXPECT_EQ(kv::OwnSlideTimesInPackage(Corpus("timed-transitions.pptx")), (std::vector<double>{1.5, 1.2, 1.0, 1.0, -1}));
    EXPECT_EQ(kv::OwnSlideTimesInPackage(Corpus("four-by-three.pptx")), (std::vector<double>{-1, -1, -1}));
    EXPECT_TRUE(kv::OwnSlideTimesInPackage(Corpus("old-format.ppt")).empty());
    EXPECT_TRUE(kv::OwnSlideTimesInPackage(Corpus("damaged.pptx")).empty());
}

// Nothing is claimed where the file does not say: the office then decides.
TEST(PresentationPackage, FilesThatDoNotSayGiveNoCount) {
    for (const char* name : {"damaged.pptx", "zero-bytes.pptx", "not-a-presentation.pptx", "old-format.ppt"})
        EXPECT_EQ(kv::SlidesListedInPackage(Corpus(name)), std::nullopt) << name;
    kvtest::TempDir dir;
    // A package whose main part is named by its relationships, in a namespace we do not know.
    const fs::path other = Zip(dir, "other.pptx",
                               {{"_rels/.rels", "<Relationships><Relationship Id='rId1' Type='http://x/officeDocument' "
                                                "Target='/ppt/main.xml'/></Relationships>"},
                                {"ppt/main.xml", "<x:presentation xmlns:x='urn:someone-else'/>"}});
    EXPECT_EQ(kv::SlidesListedInPackage(other), std::nullopt);
    EXPECT_EQ(kv::SlidesListedInPackage(dir / "absent.pptx"), std::nullopt);
}

TEST(PresentationPackage, OdfPresentationsCountTheirPagesWhateverThePrefix) {
    kvtest::TempDir dir;
    EXPECT_EQ(kv::SlidesListedInPackage(Zip(dir, "two.odp", {{"mimetype", "application/vnd.oasis.opendocument.presentation"},
                                                             {"content.xml", OdfContent("draw", 2)}})),
              2);
    EXPECT_EQ(kv::SlidesListedInPackage(Zip(dir, "none.odp", {{"content.xml", OdfContent("draw", 0)}}, true)), 0);
    EXPECT_EQ(kv::SlidesListedInPackage(Zip(dir, "prefix.odp", {{"content.xml", OdfContent("d", 3)}})), 3);
    // A flat ODF presentation is the XML itself.
    std::ofstream(dir / "flat.fodp") << OdfContent("draw", 1);
    EXPECT_EQ(kv::SlidesListedInPackage(dir / "flat.fodp"), 1);
    // A main part whose namespace is the default one.
    const fs::path unprefixed = Zip(
        dir, "default.pptx",
        {{"_rels/.rels", "<Relationships><Relationship Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                         "relationships/officeDocument\" Target=\"ppt/presentation.xml\"/></Relationships>"},
         {"ppt/presentation.xml", "<presentation xmlns=\"http://schemas.openxmlformats.org/presentationml/2006/main\">"
                                  "<sldIdLst><sldId id=\"256\"/><sldId id=\"257\"/></sldIdLst></presentation>"}});
    EXPECT_EQ(kv::SlidesListedInPackage(unprefixed), 2);
}

TEST(PresentationPackage, ZipEntriesReadStoredAndDeflatedNotBeyondTheirLimit) {
    kvtest::TempDir dir;
    const std::string text(5000, 'x');
    for (bool stored : {true, false}) {
        const fs::path zip = Zip(dir, stored ? "stored.zip" : "deflated.zip", {{"a.txt", "first"}, {"b/c.txt", text}}, stored);
        EXPECT_EQ(kv::ReadZipEntry(zip, "b/c.txt"), text) << stored;
        EXPECT_EQ(kv::ReadZipEntry(zip, "a.txt"), "first") << stored;
        EXPECT_EQ(kv::ReadZipEntry(zip, "c.txt"), std::nullopt) << stored;
        EXPECT_EQ(kv::ReadZipEntry(zip, "b/c.txt", 100), std::nullopt) << stored;
    }
}

TEST(PresentationPackage, KnownStartsAreTakenForDamagedPresentationsOthersNot) {
    EXPECT_TRUE(kv::StartsLikePresentation(Corpus("damaged.pptx")));  // a zip cut short
    EXPECT_TRUE(kv::StartsLikePresentation(Corpus("old-format.ppt")));
    EXPECT_FALSE(kv::StartsLikePresentation(Corpus("not-a-presentation.pptx")));
    EXPECT_FALSE(kv::StartsLikePresentation(Corpus("zero-bytes.pptx")));
    kvtest::TempDir dir;
    std::ofstream(dir / "flat.fodp") << "\xEF\xBB\xBF  <?xml version=\"1.0\"?>";
    EXPECT_TRUE(kv::StartsLikePresentation(dir / "flat.fodp"));
}

}  // namespace
