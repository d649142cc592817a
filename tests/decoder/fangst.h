// Test seam for the decoder: a fresh decoder whose output is captured, whose
// clock is frozen and whose fatal errors come back as exceptions.
#pragma once

#include "decoder/dispatch.h"
#include "decoder/sjekksum.h"
#include "decoder/tolk.h"
#include "decoder/tolkar.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>

namespace testhjelp {

struct Avsluttet {
    int status;
};

class Fangst {
public:
    Fangst() {
        ut_ = open_memstream(&ut_buf_, &ut_len_);
        feil_ = open_memstream(&feil_buf_, &feil_len_);
        t.ut = ut_;
        t.feil = feil_;
        t.klokke = [this] { return tid_; };
        t.mikroklokke = [this] { return int64_t{tid_} * 1000000 + 52000; };
        t.avslutt = [](int status) { throw Avsluttet{status}; };
        t.tempoklokke = [this] { return mono_; };
    }
    ~Fangst() {
        std::fclose(ut_);
        std::fclose(feil_);
        std::free(ut_buf_);
        std::free(feil_buf_);
    }
    Fangst(const Fangst&) = delete;
    Fangst& operator=(const Fangst&) = delete;

    decoder::Tolk t;

    // What was printed since the last call.
    std::string ut() { return ta(ut_, ut_buf_, ut_len_, ut_lest_); }
    std::string feil() { return ta(feil_, feil_buf_, feil_len_, feil_lest_); }

    int32_t tid() const { return tid_; }
    void sett_tid(int32_t tid) { tid_ = tid; }
    // The monotonic clock that carries the decoder clock on between lines.
    void sett_mono(int64_t mikro) { mono_ = mikro; }

    // Runs one line through the whole per-line step at the frozen time.
    decoder::Linjeutfall linje(const std::string& l, int replay = 0) {
        char buf[1024];
        std::string kopi = l.substr(0, 1023);
        kopi.copy(buf, kopi.size());
        buf[kopi.size()] = '\0';
        return decoder::linjesteg(t, buf, tid_, replay);
    }
    // Dispatches a sentence as it stands (no checksum, no cleaning) at the
    // decoder time t.nasekund.
    const decoder::Nokkel* setning(const std::string& s) { return decoder::dekod_setning(t, s.c_str()); }

private:
    static std::string ta(FILE* f, char*& buf, size_t& len, size_t& lest) {
        std::fflush(f);
        std::string s(buf + lest, len - lest);
        lest = len;
        return s;
    }
    int32_t tid_ = 1000000;
    int64_t mono_ = 0;
    FILE* ut_ = nullptr;
    FILE* feil_ = nullptr;
    char* ut_buf_ = nullptr;
    char* feil_buf_ = nullptr;
    size_t ut_len_ = 0, feil_len_ = 0, ut_lest_ = 0, feil_lest_ = 0;
};

// Makes a folder of its own the working folder for the test, for the
// start-up files the decoder looks for there.
class Arbeidsmappe {
public:
    Arbeidsmappe() {
        char mal[] = "/tmp/tolkar-test-XXXXXX";
        sti_ = mkdtemp(mal);
        char* gammel = getcwd(nullptr, 0);
        gammel_ = gammel;
        std::free(gammel);
        if (chdir(sti_.c_str()) != 0) ADD_FAILURE() << "chdir";
    }
    ~Arbeidsmappe() {
        if (chdir(gammel_.c_str()) != 0) ADD_FAILURE() << "chdir back";
        std::string kommando = "rm -rf '" + sti_ + "'";
        if (std::system(kommando.c_str()) != 0) ADD_FAILURE() << "rm";
    }
    void skriv(const std::string& navn, const std::string& innhold) const {
        FILE* f = std::fopen(navn.c_str(), "w");
        std::fputs(innhold.c_str(), f);
        std::fclose(f);
    }
    const std::string& sti() const { return sti_; }

private:
    std::string sti_;
    std::string gammel_;
};

// Sets the host's time zone for one test and puts the old one back.
class Tidssone {
public:
    explicit Tidssone(const char* tz) {
        if (const char* g = std::getenv("TZ")) gammel_ = g, hadde_ = true;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~Tidssone() {
        if (hadde_)
            setenv("TZ", gammel_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    Tidssone(const Tidssone&) = delete;
    Tidssone& operator=(const Tidssone&) = delete;

private:
    std::string gammel_;
    bool hadde_ = false;
};

// Adds the NMEA checksum tail to a sentence that starts with "$" or "!".
inline std::string med_sum(const std::string& setning) { return decoder::med_sum(setning); }

} // namespace testhjelp
