#include "decoder/tolk.h"

#include <cstdlib>
#include <ctime>
#include <sys/time.h>

namespace decoder {

int32_t systemklokke() { return static_cast<int32_t>(std::time(nullptr)); }

int64_t systemmikroklokke() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    return static_cast<int64_t>(tv.tv_sec) * 1000000 + tv.tv_usec;
}

int64_t monotonmikroklokke() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

Tolk::Tolk()
    : klokke(systemklokke), mikroklokke(systemmikroklokke), avslutt([](int status) {
          std::fflush(stdout);
          std::exit(status);
      }),
      tempoklokke(monotonmikroklokke), sov([this](int64_t mikro) { stopp.vent_med_stopp(mikro); }) {}

Tolk::~Tolk() {
    while (forsteglem) {
        glemnode* neste = forsteglem->neste;
        std::free(forsteglem->tekst);
        std::free(forsteglem);
        forsteglem = neste;
    }
    if (loggefp) std::fclose(loggefp);
}

} // namespace decoder
