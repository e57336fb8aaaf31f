// What a file is and what it asks, told from its content before any office
// reads it: the kinds of presentation that get through, the files that are
// refused and why, and the bounds on what a deck may ask of a run.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

#include "platform/core/PrintableText.h"
#include "platform/files/DeckLimits.h"
#include "platform/files/PresentationType.h"
#include "support/ShellOutput.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using kv::PresentationKind;

fs::path Corpus(const char* name) {
    const char* source = std::getenv("KALVISTA_SOURCE_DIR");
    return fs::path(source ? source : ".") / "tests/corpus/decks" / name;
}

// Runs a Python snippet with `out` as sys.argv[1] (zip packages are easiest made there).
fs::path Python(const kvtest::TempDir& dir, const std::string& name, const std::string& body) {
    const fs::path out = dir / name;
    std::ofstream(dir / "make.py") << "import sys, zipfile, zlib, struct\nout = sys.argv[1]\n" << body;
    kvtest::ShellOutput("python3 '" + (dir / "make.py").string() + "' '" + out.string() + "' 2>&1");
    return out;
}

fs::path Text(const kvtest::TempDir& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return dir / name;
}

TEST(PresentationTypeTest, PresentationsOfTheThreeKindsGetThrough) {
    for (const char* deck : {"four-by-three.pptx", "self-running.ppsx", "two-hundred-slides.pptx", "no-slides.pptx"})
        EXPECT_EQ(kv::PresentationTypeOf(Corpus(deck)).kind, PresentationKind::Ooxml) << deck;
    for (const char* deck : {"old-format.ppt", "old-show.pps"})
        EXPECT_EQ(kv::PresentationTypeOf(Corpus(deck)).kind, PresentationKind::PowerPoint97) << deck;
    kvtest::TempDir dir;
    const fs::path odp = Python(dir, "talk.odp",
                                "z = zipfile.ZipFile(out, 'w')\n"
                                "z.writestr('mimetype', 'application/vnd.oasis.opendocument.presentation')\n"
                                "z.writestr('content.xml', '<x/>')\n");
    EXPECT_EQ(kv::PresentationTypeOf(odp).kind, PresentationKind::Odf);
    const fs::path flat = Text(dir, "talk.fodp",
                               "<?xml version=\"1.0\"?>\n<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:"
                               "xmlns:office:1.0\" office:mimetype=\"application/vnd.oasis.opendocument.presentation\">");
    EXPECT_EQ(kv::PresentationTypeOf(flat).kind, PresentationKind::Odf);
    EXPECT_TRUE(kv::PresentationTypeOf(flat).reason.empty());
}

// Anything else is refused before the office sees it, saying what it is.
TEST(PresentationTypeTest, EverythingElseIsRefusedWithWhatItIs) {
    kvtest::TempDir dir;
    const std::vector<std::pair<fs::path, std::string>> cases = {
        {Text(dir, "page.pptx", "\n<!DOCTYPE html><html><body>hi</body></html>"), "(it is a web page)"},
        {Text(dir, "notes.pptx", "Quarterly results\nRevenue up\n"), "(it is a text file)"},
        {Text(dir, "paper.pptx", "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n"), "(it is a PDF document)"},
        {Text(dir, "data.pptx", "<?xml version=\"1.0\"?><svg xmlns=\"http://www.w3.org/2000/svg\"/>"),
         "(it is an XML file of another kind)"},
        {Text(dir, "blob.pptx", std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10)), "(it is a file of another kind)"},
        {Python(dir, "letter.pptx",
                "z = zipfile.ZipFile(out, 'w')\nz.writestr('[Content_Types].xml', '<Types><Override PartName=\"/word/document.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>')\n"),
         "(it is a word processor's document)"},
        {Python(dir, "drawing.odp",
                "z = zipfile.ZipFile(out, 'w')\nz.writestr('mimetype', 'application/vnd.oasis.opendocument.graphics')\n"),
         "(it is an OpenDocument file of another kind)"},
        {Python(dir, "photos.pptx", "z = zipfile.ZipFile(out, 'w')\nz.writestr('a.jpg', 'x')\n"),
         "(it is a zip archive without a presentation)"},
    };
    for (const auto& [file, what] : cases) {
        const kv::PresentationType type = kv::PresentationTypeOf(file);
        EXPECT_EQ(type.kind, PresentationKind::None) << file;
        EXPECT_EQ(type.reason, "The file is not a presentation: " + file.string() + " " + what) << file;
    }
    const kv::PresentationType text = kv::PresentationTypeOf(Corpus("not-a-presentation.pptx"));
    EXPECT_NE(text.reason.find("is not a presentation"), std::string::npos) << text.reason;
}

// A compound file says what it holds in its directory: an encrypted OOXML
// package needs a password, a Word document is not a presentation, a broken
// one cannot be read.
TEST(PresentationTypeTest, CompoundFilesAreToldByTheirStreams) {
    kvtest::TempDir dir;
    // A compound file of one directory sector with one stream entry named as asked.
    const std::string make =
        "def cfb(name):\n"
        "    header = bytearray(512)\n"
        "    header[0:8] = bytes.fromhex('D0CF11E0A1B11AE1')\n"
        "    struct.pack_into('<HHHH', header, 0x18, 0x3E, 3, 0xFFFE, 9)\n"
        "    struct.pack_into('<I', header, 0x2C, 1)\n"   // one FAT sector
        "    struct.pack_into('<I', header, 0x30, 1)\n"   // the directory in sector 1
        "    struct.pack_into('<I', header, 0x44, 0xFFFFFFFE)\n"
        "    for i in range(109): struct.pack_into('<I', header, 0x4C + 4 * i, 0 if i == 0 else 0xFFFFFFFF)\n"
        "    fat = bytearray(b'\\xff' * 512)\n"
        "    struct.pack_into('<II', fat, 0, 0xFFFFFFFD, 0xFFFFFFFE)\n"
        "    directory = bytearray(512)\n"
        "    for at, (entry, kind) in enumerate((('Root Entry', 5), (name, 2))):\n"
        "        encoded = (entry + '\\0').encode('utf-16-le')\n"
        "        directory[at * 128:at * 128 + len(encoded)] = encoded\n"
        "        struct.pack_into('<HB', directory, at * 128 + 0x40, len(encoded), kind)\n"
        "    return bytes(header + fat + directory)\n";
    const auto file = [&](const char* name, const char* stream) {
        return Python(dir, name, make + "open(out, 'wb').write(cfb('" + stream + "'))\n");
    };
    EXPECT_EQ(kv::PresentationTypeOf(file("made.ppt", "PowerPoint Document")).kind, PresentationKind::PowerPoint97);
    EXPECT_EQ(kv::PresentationTypeOf(file("locked.pptx", "EncryptedPackage")).reason,
              "The presentation is protected by a password: " + (dir / "locked.pptx").string());
    EXPECT_EQ(kv::PresentationTypeOf(file("letter.ppt", "WordDocument")).reason,
              "The file is not a presentation: " + (dir / "letter.ppt").string() + " (it is a word processor's document)");
    const fs::path broken = Text(dir, "broken.ppt", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "cut short");
    EXPECT_EQ(kv::PresentationTypeOf(broken).reason,
              "The presentation is damaged; it cannot be read: " + broken.string());
}

TEST(DeckLimitsTest, PicturesAreMeasuredFromTheirFirstBytes) {
    const std::string png = std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) + std::string("\0\0\x4E\x20\0\0\x4E\x20", 8);
    EXPECT_EQ(kv::PicturePixels(png), 20000ull * 20000);
    EXPECT_EQ(kv::PicturePixels(std::string("GIF89a\x40\x01\xF0\x00", 10)), 320ull * 240);
    std::string bmp(26, '\0');
    bmp[0] = 'B', bmp[1] = 'M', bmp[18] = 100, bmp[22] = static_cast<char>(0x9C), bmp[23] = bmp[24] = bmp[25] = '\xFF';
    EXPECT_EQ(kv::PicturePixels(bmp), 100ull * 100) << "a BMP drawn top down has a negative height";
    // A JPEG: its start, an APP0 segment, then the frame with 480 rows of 640.
    const std::string jpeg = std::string("\xFF\xD8\xFF\xE0\x00\x04\x00\x00\xFF\xC0\x00\x11\x08\x01\xE0\x02\x80", 17) +
                             std::string(16, '\0');
    EXPECT_EQ(kv::PicturePixels(jpeg), 640ull * 480);
    EXPECT_FALSE(kv::PicturePixels("<svg/>").has_value());
    EXPECT_FALSE(kv::PicturePixels(std::string("\xFF\xD8\xFF\xE0\x00", 5)).has_value());
}

// Packages beyond the bounds are refused from what they state: a picture of
// too many pixels, too many slides, a part packed far too tightly.
TEST(DeckLimitsTest, PackagesBeyondTheBoundsAreRefusedWithTheBoundNamed) {
    kvtest::TempDir dir;
    const std::string deck =
        "def deck(out, slides, extra=()):\n"
        "    z = zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED)\n"
        "    z.writestr('[Content_Types].xml', '<Types><Override PartName=\"/ppt/presentation.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.presentationml.presentation.main+xml\"/></Types>')\n"
        "    z.writestr('_rels/.rels', '<Relationships><Relationship Id=\"r\" Type=\"x/officeDocument\" Target=\"ppt/presentation.xml\"/></Relationships>')\n"
        "    ids = ''.join('<p:sldId id=\"%d\" r:id=\"r%d\"/>' % (256 + k, k) for k in range(slides))\n"
        "    z.writestr('ppt/presentation.xml', '<p:presentation xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><p:sldIdLst>' + ids + '</p:sldIdLst></p:presentation>')\n"
        "    for name, data in extra: z.writestr(name, data)\n"
        "    z.close()\n";
    const fs::path fine = Python(dir, "fine.pptx", deck + "deck(out, 1000)\n");
    EXPECT_EQ(kv::PackageRefusal(fine), "");
    const fs::path many = Python(dir, "many.pptx", deck + "deck(out, 1001)\n");
    EXPECT_EQ(kv::PackageRefusal(many),
              "The presentation has 1001 slides, more than the 1000 a presentation may have: " + many.string());
    const fs::path huge = Python(dir, "huge.pptx",
                                 deck + "png = b'\\x89PNG\\r\\n\\x1a\\n' + struct.pack('>I', 13) + b'IHDR' + struct.pack('>II', 20000, 10000) + bytes(5)\n"
                                        "deck(out, 1, [('ppt/media/image1.PNG', png)])\n");
    EXPECT_EQ(kv::PackageRefusal(huge), "A picture in the presentation (ppt/media/image1.PNG) has 200000000 pixels, more "
                                        "than the 150 million a picture may have: " + huge.string());
    const fs::path bomb = Python(dir, "bomb.pptx", deck + "deck(out, 1, [('ppt/zeros.bin', bytes(40 << 20))])\n");
    EXPECT_EQ(kv::PackageRefusal(bomb), "A part of the presentation (ppt/zeros.bin) unpacks to more than 1000 times its "
                                        "packed size: it is no presentation's: " + bomb.string());
    // A part that is large but packs as pictures and films do passes.
    const fs::path film = Python(dir, "film.pptx", deck + "import os\ndeck(out, 1, [('ppt/media/film.mp4', os.urandom(20 << 20))])\n");
    EXPECT_EQ(kv::PackageRefusal(film), "");
}

TEST(DeckLimitsTest, TimesAreFiniteAndWithinTheirBounds) {
    const double forever = std::numeric_limits<double>::infinity();
    EXPECT_EQ(kv::SlideTimeRefusal(3, 3600), "");
    EXPECT_EQ(kv::SlideTimeRefusal(3, 3600.5), "Slide 3 would stay on screen for 3600.5 s, longer than the 1 h a slide may last");
    EXPECT_EQ(kv::SlideTimeRefusal(2, forever), "Slide 2 would stay on screen for ever, longer than the 1 h a slide may last");
    EXPECT_NE(kv::SlideTimeRefusal(2, std::nan("")), "");
    EXPECT_EQ(kv::SlideTimeRefusal(2, 9e12), "Slide 2 would stay on screen for 9e+12 s, longer than the 1 h a slide may last");
    EXPECT_EQ(kv::TransitionRefusal(4, 60), "");
    EXPECT_EQ(kv::TransitionRefusal(4, 1e300),
              "The transition into slide 4 would last 1e+300 s, longer than the 60 s a transition may last");
    EXPECT_EQ(kv::ShowLengthRefusal(24 * 3600), "");
    EXPECT_EQ(kv::ShowLengthRefusal(forever), "The show would last for ever, longer than the 24 h a show may last");
    EXPECT_EQ(kv::SlideCountRefusal("/d/a.pptx", 1000), "");
}

// One name is one line: nothing in it can start another line of output or
// move the terminal's cursor.
TEST(PrintableTextTest, ControlCharactersAreWrittenOutAndOneNameStaysOneLine) {
    EXPECT_EQ(kv::PrintableText("/v/a\nVideo: /etc/passwd"), "/v/a\\nVideo: /etc/passwd");
    EXPECT_EQ(kv::PrintableText("a\rb\tc\x1B[2Jd\x7F"), "a\\rb\\tc\\x1B[2Jd\\x7F");
    EXPECT_EQ(kv::PrintableText("\xC2\x9B" "31m \xC3\xBC"), "\\xC2\\x9B31m \xC3\xBC") << "C1 controls go, letters stay";
    EXPECT_EQ(kv::PrintableText("C:\\talk"), "C:\\\\talk");
    EXPECT_EQ(kv::WithoutControls("C:\\talk\n"), "C:\\talk\\n") << "a message keeps its backslashes";
    EXPECT_EQ(kv::LinesWithoutControls("saved as\n/v/a\x1B.avi\n"), "saved as\n/v/a\\x1B.avi\n");
}

}  // namespace
