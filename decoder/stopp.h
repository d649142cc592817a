// How a host that runs a decoder in-process (the application) stops it: the
// loop ends before its next line, and its waits for input (a UDP port, a
// pipe or serial line, a paced replay) end at once. A line that has begun to
// arrive is still read to its end. Each decoder has its own.
#pragma once

#include <atomic>
#include <cstdint>

namespace decoder {

class Stopp {
public:
    Stopp();
    ~Stopp();
    Stopp(const Stopp&) = delete;
    Stopp& operator=(const Stopp&) = delete;

    // Safe from any thread.
    void be_om_stopp();
    bool stopp_bedt() const { return bedt_.load(); }
    // Forgets a stop asked for, before a new run.
    void nullstill_stopp();

    // Waits until fd has something to read, or its end (true), or a stop is
    // asked for (false).
    bool vent_paa_lesbar(int fd);
    // Waits so many microseconds, or less when a stop is asked for.
    void vent_med_stopp(int64_t mikrosekunder);

private:
    void tom();
    bool vent(int fd, const struct timespec* tid);

    std::atomic<bool> bedt_{false};
    // Readable while a stop is asked for, so that one poll waits for both.
    // Where it cannot be made (-1), poll skips it and the waits cannot be
    // cut short.
    int fd_ = -1;
};

} // namespace decoder
