// Test seam for the decoder: captures what it prints, freezes its clock and
// turns a fatal error into an exception, starting each test from a clean state.
#pragma once

#include "decoder/runtime.h"
#include "decoder/state.h"
#include "decoder/tolkar.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace testhjelp {

struct Avsluttet {
    int status;
};

inline int32_t& falsk_tid() {
    static int32_t t = 1000000;
    return t;
}

class Fangst {
public:
    Fangst() {
        decoder::reset_state();
        ut_ = open_memstream(&ut_buf_, &ut_len_);
        feil_ = open_memstream(&feil_buf_, &feil_len_);
        decoder::ut = ut_;
        decoder::feil = feil_;
        falsk_tid() = 1000000;
        decoder::klokke = [] { return falsk_tid(); };
        decoder::mikroklokke = [] { return int64_t{falsk_tid()} * 1000000 + 52000; };
        decoder::avslutt = [](int status) { throw Avsluttet{status}; };
    }
    ~Fangst() {
        decoder::reset_state();
        decoder::ut = stdout;
        decoder::feil = stderr;
        decoder::klokke = decoder::systemklokke;
        decoder::mikroklokke = decoder::systemmikroklokke;
        std::fclose(ut_);
        std::fclose(feil_);
        std::free(ut_buf_);
        std::free(feil_buf_);
    }
    Fangst(const Fangst&) = delete;
    Fangst& operator=(const Fangst&) = delete;

    // What was printed since the last call.
    std::string ut() { return ta(ut_, ut_buf_, ut_len_, ut_lest_); }
    std::string feil() { return ta(feil_, feil_buf_, feil_len_, feil_lest_); }

    void sett_tid(int32_t t) { falsk_tid() = t; }

    // Runs one line through the whole per-line step at the frozen time.
    void linje(const std::string& l, int replay = 0) {
        std::string kopi = l.substr(0, 1023);
        char buf[1024];
        kopi.copy(buf, kopi.size());
        buf[kopi.size()] = '\0';
        decoder::linjesteg(buf, falsk_tid(), replay);
    }

private:
    static std::string ta(FILE* f, char*& buf, size_t& len, size_t& lest) {
        std::fflush(f);
        std::string s(buf + lest, len - lest);
        lest = len;
        return s;
    }
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

// Adds the NMEA checksum tail to a sentence that starts with "$" or "!".
inline std::string med_sum(const std::string& setning) {
    unsigned char s = 0;
    for (size_t i = 1; i < setning.size(); ++i) s ^= static_cast<unsigned char>(setning[i]);
    char hale[4];
    std::snprintf(hale, sizeof hale, "*%02X", s);
    return setning + hale;
}

} // namespace testhjelp
