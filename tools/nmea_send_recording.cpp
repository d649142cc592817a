#include "tools/nmea_send_recording.h"

namespace nmea_send {

namespace {

constexpr int kDay = 24 * 3600;
constexpr int kHalfDay = kDay / 2;
// Far beyond the 82 characters NMEA 0183 allows, so that long proprietary
// sentences still pass while a line of binary garbage does not.
constexpr std::size_t kMaxSentence = 1000;

bool digit(char c) { return c >= '0' && c <= '9'; }
bool blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && (blank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (blank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Reads one or two digits (exactly two when `two`) at p; -1 when there are none.
int number(std::string_view s, std::size_t& p, bool two) {
    std::size_t start = p;
    int v = 0;
    while (p < s.size() && p - start < 2 && digit(s[p])) v = v * 10 + (s[p++] - '0');
    std::size_t n = p - start;
    if (n == 0 || (two && n != 2)) return -1;
    return v;
}

bool sentence_ok(std::string_view s) {
    if (s.empty() || (s.front() != '$' && s.front() != '!')) return false;
    if (s.size() > kMaxSentence) return false;
    for (char c : s) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return false;
    }
    return true;
}

// Length of an "H:MM:SS" or "HH:MM:SS" prefix and the blanks after it, or 0;
// seconds gets the time of day.
std::size_t time_prefix(std::string_view line, int& seconds) {
    std::size_t p = 0;
    int h = number(line, p, false);
    if (h < 0 || p >= line.size() || line[p++] != ':') return 0;
    int m = number(line, p, true);
    if (m < 0 || p >= line.size() || line[p++] != ':') return 0;
    int s = number(line, p, true);
    // 60 is a leap second.
    if (s < 0 || h > 23 || m > 59 || s > 60) return 0;
    if (p < line.size() && !blank(line[p])) return 0;
    while (p < line.size() && blank(line[p])) ++p;
    seconds = h * 3600 + m * 60 + s;
    return p;
}

} // namespace

Recording parse_recording(std::string_view text) {
    Recording r;
    std::int64_t offset = 0;
    int previous = -1; // time of day of the last timed line
    std::size_t line_no = 0;
    auto skip = [&] {
        if (r.skipped++ == 0) r.first_skipped_line = line_no;
    };
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++line_no;
        if (line.empty()) continue;

        int seconds = -1;
        std::size_t prefix = digit(line.front()) ? time_prefix(line, seconds) : 0;
        if (digit(line.front()) && prefix == 0) {
            skip();
            continue;
        }
        std::string_view sentence = line.substr(prefix);
        if (!sentence_ok(sentence)) {
            skip();
            continue;
        }
        if (prefix > 0) {
            if (previous >= 0) {
                int step = seconds - previous;
                if (step <= -kHalfDay) step += kDay;
                else if (step > kHalfDay) step -= kDay;
                // A jump back: send now and keep the pace from the new time.
                if (step > 0) offset += step;
            }
            previous = seconds;
        }
        r.entries.push_back({offset, std::string(sentence)});
    }
    return r;
}

} // namespace nmea_send
