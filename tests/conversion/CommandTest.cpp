// The ffmpeg command for every format: the written text, and the argument
// vector built from the same pieces.
#include <gtest/gtest.h>

#include "conversion/ConvertAVIToX.h"
#include "conversion/OutputFormats.h"

namespace kv {
namespace {

struct Row {
    int index;
    double rate;
    int sampleRate;
    int bitRate;
    bool powerPlugs;
    const char* middle;  // between the quoted input and the quoted output
};

// Two blanks where two pieces that both carry one meet, as always. The fps
// filter comes first, so every picture keeps its own position.
const Row kRows[] = {
    {FORMAT_AVI, 5, 11025, 128, false,
     " -r 5.00 -vcodec libx264 -profile:v high -pix_fmt yuv420p -preset veryfast -crf 23 -g 50 -keyint_min 1 "
     "-vf fps=5.00,crop=trunc(iw/2)*2:trunc(ih/2)*2 -bf 0 -acodec copy -f avi "},
    {FORMAT_WMV, 5, 44100, 128, false, " -r 5.00 -vf fps=5.00  -b 2496k -g 15  -ab 128k "},
    {FORMAT_WMV, 30, 44100, 64, false, " -r 30.00 -vf fps=30.00  -b 2496k -g 15  -ab 64k "},
    {FORMAT_MPEG1, 25, 22050, 128, false, " -vcodec mpeg1video -vf fps=25.00  -r 25.00 -b 2496k -g 15 -f mpeg -ab 224k -ar 44100 "},
    {FORMAT_MPEG1, 5, 22050, 128, false, " -vcodec mpeg1video -vf fps=25.00  -r 25.00 -b 2496k -g 15 -f mpeg -ab 224k -ar 44100 "},
    {FORMAT_MPEG1, 20, 22050, 128, false, " -vcodec mpeg1video -vf fps=25.00  -r 25.00 -b 2496k -g 15 -f mpeg -ab 224k -ar 44100 "},
    {FORMAT_MPEG1, 29, 11025, 96, false, " -vcodec mpeg1video -vf fps=29.00  -r 29.00 -b 2496k -g 15 -f mpeg -ab 224k -ar 44100 "},
    {FORMAT_MPEG2, 30, 44100, 128, false, " -vcodec mpeg2video -vf fps=30.00  -r 30.00 -b 2496k -g 15 -f dvd -ab 256k -ar 48000 "},
    {FORMAT_MPEG2, 5, 11025, 128, false, " -vcodec mpeg2video -vf fps=5.00  -r 5.00 -b 2496k -g 15 -f dvd -ab 256k -ar 48000 "},
    {FORMAT_MP4, 5, 44100, 128, false,
     " -r 5.00 -vcodec libx264 -profile:v high -pix_fmt yuv420p -preset veryfast -crf 23 -g 50 -keyint_min 1 "
     "-vf fps=5.00,crop=trunc(iw/2)*2:trunc(ih/2)*2  -acodec aac -ar 44100 -movflags +faststart -f mp4  -ab 128k "},
    {FORMAT_MP4, 29.97, 11025, 64, false,
     " -r 29.97 -vcodec libx264 -profile:v high -pix_fmt yuv420p -preset veryfast -crf 23 -g 300 -keyint_min 1 "
     "-vf fps=29.97,crop=trunc(iw/2)*2:trunc(ih/2)*2  -acodec aac -ar 44100 -movflags +faststart -f mp4  -ab 64k "},
    {FORMAT_FLV, 15, 22050, 128, false, " -r 15.00 -vf fps=15.00 -b 1152k -g 15 -f flv  -ab 128k  -ar 22050 "},
    {FORMAT_3G2, 5, 44100, 128, true,
     " -vcodec mpeg4  -r 5.00 -vf fps=5.00 -s 704x576 -level 5 -b 1152k -g 15 -ar 8000 -ac 1 -acodec aac -f 3g2  -ab 128k "},
    {FORMAT_3G2, 5, 44100, 128, false,
     " -vcodec mpeg4  -r 5.00 -vf fps=5.00,scale=w=min(640\\,iw):h=min(480\\,ih):force_original_aspect_ratio=decrease:force_divisible_by=2 -level 4 -b 1152k -g 15 -ar 8000 -ac 1 -acodec aac -f 3g2  -ab 128k "},
    {FORMAT_3GP, 20, 11025, 32, true,
     " -vcodec mpeg4  -r 20.00 -vf fps=20.00 -s 704x576 -level 5 -b 1152k -g 15 -ar 8000 -ac 1 -acodec aac -f 3gp  -ab 32k "},
    {FORMAT_3GP, 20, 11025, 32, false,
     " -vcodec mpeg4  -r 20.00 -vf fps=20.00,scale=w=min(640\\,iw):h=min(480\\,ih):force_original_aspect_ratio=decrease:force_divisible_by=2 -level 4 -b 1152k -g 15 -ar 8000 -ac 1 -acodec aac -f 3gp  -ab 32k "},
    {FORMAT_SWF, 10, 11025, 128, false, " -r 10.00 -vf fps=10.00 -b 2496k -g 15 -f swf  -ab 128k  -ar 11025 "},
    {FORMAT_MOV, 25, 44100, 128, false,
     " -r 25.00 -vcodec libx264 -profile:v high -pix_fmt yuv420p -preset veryfast -crf 23 -g 250 -keyint_min 1 "
     "-vf fps=25.00,crop=trunc(iw/2)*2:trunc(ih/2)*2  -acodec aac -ar 44100 -movflags +faststart -f mov  -ab 128k "},
    {FORMAT_WEBM, 10, 22050, 96, false,
     " -r 10.00 -vcodec libvpx-vp9 -pix_fmt yuv420p -deadline realtime -cpu-used 8 -row-mt 1 -b:v 0 -crf 33 "
     "-g 100 -keyint_min 1 -vf fps=10.00,crop=trunc(iw/2)*2:trunc(ih/2)*2  -acodec libopus -ar 48000 -f webm  -ab 96k "},
    {FORMAT_GIF, 30, 44100, 128, false,
     " -vf fps=10.00,scale=min(800\\,iw):-1:flags=lanczos,split[a][b];[a]palettegen[p];[b][p]paletteuse "
     "-an -f gif "},
    {FORMAT_GIF, 5, 44100, 128, false,
     " -vf fps=5.00,scale=min(800\\,iw):-1:flags=lanczos,split[a][b];[a]palettegen[p];[b][p]paletteuse "
     "-an -f gif "},
    {FORMAT_ASF, 5, 44100, 192, false, " -r 5.00 -vf fps=5.00 -b 2496k -g 15 -f asf  -ab 192k "},
};

TEST(ConverterCommand, EveryFormatWritesItsPiecesAndRunsTheSameWords) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.middle);
        const ConverterCommand command = BuildConverterCommand("/rec/in.avi", "/out/talk.x", row.index, row.rate,
                                                               row.sampleRate, row.bitRate, row.powerPlugs, 80);
        EXPECT_EQ(command.text, std::string("ffmpeg -y -i \"/rec/in.avi\"") + row.middle + "\"/out/talk.x\"");

        // The argument vector is the text's words, the paths whole.
        std::vector<std::string> expected{"ffmpeg", "-y", "-i", "/rec/in.avi"};
        std::string middle = row.middle, word;
        for (char c : middle + " ") {
            if (c != ' ') word += c;
            else if (!word.empty()) expected.push_back(std::exchange(word, {}));
        }
        expected.push_back("/out/talk.x");
        EXPECT_EQ(command.argv, expected);
    }
}

TEST(ConverterCommand, UnknownIndexesGiveTheBareProgramName) {
    for (int index : {-1, 13, 99}) {
        const ConverterCommand command = BuildConverterCommand("in.avi", "out.avi", index, 5, 44100, 128, false, 80);
        EXPECT_EQ(command.text, "ffmpeg");
        EXPECT_FALSE(command.HasArguments());
    }
}

TEST(ConverterCommand, PathsStayWholeArgumentsWhateverTheyHold) {
    const std::string input = "/tmp/my \"talk\" $HOME \\ näme.avi";
    const std::string output = "/tmp/out dir/‘quote’ $(rm -rf x);.mp4";
    const ConverterCommand command = BuildConverterCommand(input, output, FORMAT_MP4, 5, 44100, 128, false, 80);
    EXPECT_EQ(command.argv[3], input);
    EXPECT_EQ(command.argv.back(), output);
    EXPECT_NE(command.text.find("\"" + input + "\""), std::string::npos);
}

TEST(ConverterCommand, QualityFactorSetsTheCrfWithinItsRange) {
    EXPECT_EQ(ConversionCrf(80), 23);
    EXPECT_EQ(ConversionCrf(100), 18);
    EXPECT_EQ(ConversionCrf(0), 43);
    EXPECT_EQ(ConversionCrf(150), 18);
    EXPECT_EQ(ConversionCrf(-5), 43);
    const auto best = BuildConverterCommand("in.avi", "out.mp4", FORMAT_MP4, 5, 44100, 128, false, 100);
    EXPECT_NE(best.text.find(" -crf 18 "), std::string::npos);
}

TEST(OutputFormats, NamesTurnIntoIndexesIgnoringCase) {
    EXPECT_TRUE(IsAviOutput("avi"));
    EXPECT_FALSE(IsAviOutput("MP4"));
    EXPECT_EQ(ConvertedFormatIndex("AVI"), -1);
    EXPECT_EQ(ConvertedFormatIndex("wmv"), FORMAT_WMV);
    EXPECT_EQ(ConvertedFormatIndex("Mpeg2"), FORMAT_MPEG2);
    EXPECT_EQ(ConvertedFormatIndex("3gp"), FORMAT_3GP);
    EXPECT_EQ(ConvertedFormatIndex("asf"), FORMAT_ASF);
    EXPECT_EQ(ConvertedFormatIndex("WebM"), FORMAT_WEBM);
    EXPECT_EQ(ConvertedFormatIndex("gif"), FORMAT_GIF);
    EXPECT_EQ(ConvertedFormatIndex("MKV"), -1);
    EXPECT_EQ(ConvertedFormatIndex(""), -1);
    for (const auto& format : kOutputFormats) EXPECT_EQ(&kOutputFormats[format.index], &format);
}

}  // namespace
}  // namespace kv
