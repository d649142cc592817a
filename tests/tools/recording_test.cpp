// Reading a recording into a timeline: time prefixes, bare lines, midnight,
// jumps back, and the lines that are skipped.
#include "tools/nmea_send_recording.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using nmea_send::parse_recording;
using nmea_send::Recording;

namespace {

std::vector<std::pair<long long, std::string>> timeline(const Recording& r) {
    std::vector<std::pair<long long, std::string>> v;
    for (const auto& e : r.entries) v.emplace_back(e.offset_s, e.sentence);
    return v;
}

} // namespace

TEST(ParseRecording, Offsets) {
    using Timeline = std::vector<std::pair<long long, std::string>>;
    struct Case {
        const char* name;
        const char* text;
        Timeline want;
    };
    const Case cases[] = {
        {"seconds from the first line",
         "12:00:00 $A\n12:00:01 $B\n12:00:01 $C\n12:00:05 $D\n",
         {{0, "$A"}, {1, "$B"}, {1, "$C"}, {5, "$D"}}},
        {"minutes and hours count", "11:59:30 $A\n12:01:00 $B\n13:01:00 $C\n",
         {{0, "$A"}, {90, "$B"}, {3690, "$C"}}},
        {"bare lines follow the line before",
         "$X\n12:00:00 $A\n$B\n12:00:02 $C\n!D\n",
         {{0, "$X"}, {0, "$A"}, {0, "$B"}, {2, "$C"}, {2, "!D"}}},
        {"midnight wraps forward", "23:59:58 $A\n23:59:59 $B\n00:00:00 $C\n00:00:03 $D\n",
         {{0, "$A"}, {1, "$B"}, {2, "$C"}, {5, "$D"}}},
        {"a jump back is sent at once, then the pace goes on",
         "12:00:10 $A\n12:00:05 $B\n12:00:07 $C\n",
         {{0, "$A"}, {0, "$B"}, {2, "$C"}}},
        {"a jump back over midnight is no wrap",
         "00:00:05 $A\n23:59:59 $B\n00:00:01 $C\n",
         {{0, "$A"}, {0, "$B"}, {2, "$C"}}},
        {"a leap second", "23:59:59 $A\n23:59:60 $B\n00:00:00 $C\n00:00:01 $D\n",
         {{0, "$A"}, {1, "$B"}, {1, "$C"}, {2, "$D"}}},
        {"one-digit hour", "9:00:00 $A\n9:00:01 $B\n", {{0, "$A"}, {1, "$B"}}},
        {"CR LF, tabs and trailing blanks go", "12:00:00\t$A*1F\r\n  12:00:01  $B \r\n",
         {{0, "$A*1F"}, {1, "$B"}}},
        {"blanks inside a sentence stay", "12:00:00 $PX,a b,c\n", {{0, "$PX,a b,c"}}},
        {"no line end after the last line", "12:00:00 $A\n12:00:01 $B",
         {{0, "$A"}, {1, "$B"}}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        Recording r = parse_recording(c.text);
        EXPECT_EQ(timeline(r), c.want) << c.name;
        EXPECT_EQ(r.skipped, 0u) << c.name;
    }
}

TEST(ParseRecording, MalformedLinesAreSkippedAndCounted) {
    const std::string long_sentence = "$P" + std::string(999, 'X');
    const std::string bad[] = {
        "12:00 $A",           // no seconds
        "25:00:00 $A",        // hour out of range
        "12:60:00 $A",        // minute out of range
        "12:00:61 $A",        // second out of range
        "12:0:00 $A",         // minutes need two digits
        "123:00:00 $A",       // three-digit hour
        "12:00:00$A",         // no blank after the time
        "12:00:00",           // time without a sentence
        "12:00:00   ",        // time and blanks only
        "12:00:00 GPGGA,1",   // no '$' or '!'
        "hello",
        "# a comment",
        "12:00:00 $A\x01" "B", // control character
        "12:00:00 " + long_sentence,
    };
    for (const std::string& line : bad) {
        // The bad line sits between two good ones and does not move them.
        Recording r = parse_recording("12:00:00 $GOOD\n" + line + "\n12:00:01 $NEXT\n");
        EXPECT_EQ(r.skipped, 1u) << line;
        EXPECT_EQ(r.first_skipped_line, 2u) << line;
        ASSERT_EQ(r.entries.size(), 2u) << line;
        EXPECT_EQ(r.entries[1].offset_s, 1) << line;
    }
}

TEST(ParseRecording, LongestSentenceStillPasses) {
    const std::string s = "$P" + std::string(998, 'X');
    Recording r = parse_recording("12:00:00 " + s + "\n");
    ASSERT_EQ(r.entries.size(), 1u);
    EXPECT_EQ(r.entries[0].sentence, s);
}

TEST(ParseRecording, SkipCountAndFirstLineNumber) {
    // Blank lines are neither sentences nor faults, but they are lines.
    Recording r = parse_recording("12:00:00 $A\n\n   \nbad one\n12:00:01 $B\nbad two\n");
    EXPECT_EQ(r.skipped, 2u);
    EXPECT_EQ(r.first_skipped_line, 4u);
    EXPECT_EQ(r.entries.size(), 2u);

    Recording clean = parse_recording("12:00:00 $A\n");
    EXPECT_EQ(clean.skipped, 0u);
    EXPECT_EQ(clean.first_skipped_line, 0u);
}

TEST(ParseRecording, ContentIsNotJudged) {
    // A damaged checksum is the decoder's business; the line is still sent.
    Recording r = parse_recording("12:01:01 $HEHDT,988.1,T*00\n");
    EXPECT_EQ(r.skipped, 0u);
    EXPECT_EQ(r.entries.size(), 1u);
}

TEST(ParseRecording, DemoRecordings) {
    struct Case {
        const char* file;
        long long last_offset;
    };
    for (const Case c : {Case{"demo.nmea", 119}, Case{"rov_demo.nmea", 299}}) {
        std::ifstream in(std::string(TEST_DATA_DIR) + "/" + c.file);
        ASSERT_TRUE(in) << c.file;
        std::stringstream text;
        text << in.rdbuf();
        std::size_t lines = 0;
        for (char ch : text.str()) lines += ch == '\n';
        Recording r = parse_recording(text.str());
        EXPECT_EQ(r.skipped, 0u) << c.file;
        EXPECT_EQ(r.entries.size(), lines) << c.file;
        ASSERT_FALSE(r.entries.empty()) << c.file;
        EXPECT_EQ(r.entries.back().offset_s, c.last_offset) << c.file;
    }
}
