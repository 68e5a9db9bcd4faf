#include <gtest/gtest.h>

#include <random>

#include "text/cp932.h"
#include "text/file_encoding.h"
#include "text/system_texts.h"

namespace kova {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (const int v : values) {
        s += static_cast<char>(v);
    }
    return s;
}

TEST(Cp932, EveryByteSequenceSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    EXPECT_EQ(EncodeCp932(DecodeCp932(all)), all);
    // Every lead byte with every second byte.
    std::string pairs;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0; trail < 256; ++trail) {
            pairs += static_cast<char>(lead);
            pairs += static_cast<char>(trail);
        }
    }
    EXPECT_EQ(EncodeCp932(DecodeCp932(pairs)), pairs);
    std::mt19937 random(932);
    for (int round = 0; round < 200; ++round) {
        std::string text(random() % 64, '\0');
        for (char& c : text) {
            c = static_cast<char>(random() % 256);
        }
        EXPECT_EQ(EncodeCp932(DecodeCp932(text)), text);
        EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8(text)).bytes, text);
    }
}

TEST(Cp932, DecodesTheCommonCharacters) {
    EXPECT_EQ(Cp932ToUtf8("ARC S A\r\n"), "ARC S A\r\n");
    EXPECT_EQ(Cp932ToUtf8(Bytes({0x83, 0x69, 0x93, 0x63})), "ナ田");
    EXPECT_EQ(Cp932ToUtf8(Bytes({0x81, 0x40})), "\u3000");
    EXPECT_EQ(Cp932ToUtf8(Bytes({0xB1})), "ｱ");
    EXPECT_EQ(Cp932ToUtf8("\\~"), "\\~");
}

TEST(Cp932, UnconvertibleBytesBecomeRawByteCharacters) {
    // The five invalid single bytes, a lead byte without a valid second byte,
    // and a lead byte at the end.
    const std::u32string decoded =
        DecodeCp932(Bytes({0x80, 0xA0, 0xFD, 0xFE, 0xFF, 0x81, 0x20, 0x83}));
    const std::u32string expected = {kRawBytePlane + 0x80,
                                     kRawBytePlane + 0xA0,
                                     kRawBytePlane + 0xFD,
                                     kRawBytePlane + 0xFE,
                                     kRawBytePlane + 0xFF,
                                     kRawBytePlane + 0x81,
                                     U' ',
                                     kRawBytePlane + 0x83};
    EXPECT_EQ(decoded, expected);
    // A NEC-selected duplicate (ED 40) that converts back to another code.
    EXPECT_EQ(DecodeCp932(Bytes({0xED, 0x40})), (std::u32string{kRawBytePlane + 0xED, U'@'}));
}

TEST(Cp932, ReadsUtf8Strictly) {
    EXPECT_EQ(Utf8ToCp932("TITLE ナ田").bytes, "TITLE " + Bytes({0x83, 0x69, 0x93, 0x63}));
    const struct {
        const char* utf8;
        bool invalidUtf8;
        std::size_t offset;
    } failures[] = {
        {"ab\xC3", true, 2},               // truncated
        {"a\xC0\xAF", true, 1},            // overlong
        {"\xED\xA0\x80", true, 0},         // surrogate
        {"ab\x80", true, 2},               // stray continuation
        {"ab\xF0\x9F\x98\x80", false, 2},  // an emoji has no cp932 form
    };
    for (const auto& f : failures) {
        const Utf8Conversion result = Utf8ToCp932(f.utf8);
        EXPECT_FALSE(result.ok) << f.utf8;
        EXPECT_EQ(result.invalidUtf8, f.invalidUtf8) << f.utf8;
        EXPECT_EQ(result.errorOffset, f.offset) << f.utf8;
    }
    bool lossy = false;
    EXPECT_EQ(EncodeCp932(U"a\U0001F600", &lossy), "a?");
    EXPECT_TRUE(lossy);
}

TEST(SystemTexts, AreCodePage932Bytes) {
    const SystemTexts& t = Texts();
    EXPECT_EQ(t.nameTooLong,
              Bytes({0x90, 0xDF, 0x93, 0x5F, 0x96, 0xBC, 0x82, 0xAA, 0x38, 0x83, 0x6F,
                     0x83, 0x43, 0x83, 0x67, 0x82, 0xF0, 0x92, 0xB4, 0x82, 0xA6, 0x82,
                     0xC4, 0x82, 0xA2, 0x82, 0xDC, 0x82, 0xB7, 0x28, 0x20}));
    EXPECT_EQ(t.defaultTitle, "KOVA" + Bytes({0x81, 0x40}) + "Data");
    EXPECT_EQ(t.dataInputHeader, "K O V A Data Input" + std::string(18, ' '));
    EXPECT_EQ(t.solutionHeading.size(), 72u);
    EXPECT_EQ(Cp932ToUtf8(t.runListBanner), "//\r\n//*****　KOVA計算経過一覧表　*****\r\n//\r\n");
}

// A data file's encoding from its bytes, and the text the calculation
// reads from it.
TEST(FileEncoding, DetectsUtf8AndCodePage932) {
    const std::string kura = "\xe5\x80\x89";  // 倉 in UTF-8
    const std::string kuraCp932 = "\x91\x71";
    struct Case {
        std::string bytes;
        FileEncoding encoding;
        std::string dataText;
    };
    const Case cases[] = {
        {"", FileEncoding::Cp932, ""},
        {"ARC S A 0 0 1 5\nEND", FileEncoding::Cp932, "ARC S A 0 0 1 5\nEND"},
        {"ARC " + kuraCp932 + " A\r\n", FileEncoding::Cp932, "ARC " + kuraCp932 + " A\r\n"},
        {"ARC " + kura + " A\n", FileEncoding::Utf8, "ARC " + kuraCp932 + " A\n"},
        {"\xef\xbb\xbf" "END", FileEncoding::Utf8WithBom, "END"},
        {"\xef\xbb\xbf" "ARC " + kura, FileEncoding::Utf8WithBom, "ARC " + kuraCp932},
        // Characters without a code page 932 form read as '?'.
        {"! \xf0\x9f\x98\x80\n", FileEncoding::Utf8, "! ?\n"},
        // Neither: kept as bytes.
        {"\xef\xbb\xbf\x80", FileEncoding::Unknown, "\xef\xbb\xbf\x80"},
        {"! \x80\xa0 " + kura, FileEncoding::Unknown, "! \x80\xa0 " + kura},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DetectEncoding(c.bytes), c.encoding) << c.bytes;
        EXPECT_EQ(DataTextOf(c.bytes, c.encoding), c.dataText) << c.bytes;
        // Unchanged text written back in its own encoding gives its bytes.
        bool lossy = true;
        EXPECT_EQ(EncodeFileText(DecodeFileText(c.bytes, c.encoding), c.encoding, &lossy), c.bytes);
        EXPECT_FALSE(lossy);
    }
}

}  // namespace
}  // namespace kova
