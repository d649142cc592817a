#include "decoder/tekst.h"

#include "decoder/runtime.h"
#include "decoder/state.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace decoder {

int start(const char* tekst, const char* prefiks) {
    if (!tekst || !prefiks) return 0;
    return std::strncmp(tekst, prefiks, std::strlen(prefiks)) == 0 ? 1 : 0;
}

int strlik(const char* a, const char* b) {
    if (a == b) return 1;
    if (!a || !b) return 0;
    return std::strcmp(a, b) == 0 ? 1 : 0;
}

char* trim(char* tekst) {
    if (!tekst) return nullptr;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
    while (blank(*tekst)) ++tekst;
    size_t n = std::strlen(tekst);
    while (n > 0 && blank(tekst[n - 1])) tekst[--n] = '\0';
    return tekst;
}

int splittfelt(const char* tekst) {
    if (!tekst) return -1;
    size_t n = std::strlen(tekst);
    if (n > static_cast<size_t>(kNmeabufLengde)) return -1;
    std::memcpy(nmeabuf, tekst, n + 1);
    std::fill(std::begin(felt), std::end(felt), nullptr);
    felt[0] = nmeabuf;
    int antall = 1;
    for (char* p = nmeabuf; *p; ++p) {
        if (*p != ',') continue;
        if (antall == kMaksFelt) return -1;
        *p = '\0';
        felt[antall++] = p + 1;
    }
    return antall;
}

const char* ts(const char* fmt, ...) {
    static char buf[kLinjelengde];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

const char* strTimeStamp() {
    static char buf[20];
    time_t naa = klokke();
    tm lokal{};
    localtime_r(&naa, &lokal);
    char dato[13]; // twelve digits
    if (std::strftime(dato, sizeof dato, "%y%m%d%H%M%S", &lokal) == 0) dato[0] = '\0';
    long mikro = static_cast<long>(mikroklokke() % 1000000);
    if (mikro < 0) mikro += 1000000;
    std::snprintf(buf, sizeof buf, "%s:%ld", dato, mikro);
    return buf;
}

int hexsiffer(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return static_cast<unsigned char>(c) - 87;
}

FILE* vfopen(const char* prog, const char* sti, const char* modus) {
    bool skriv = modus[0] == 'w' || modus[0] == 'a' || modus[0] == 'A';
    if (FILE* fp = std::fopen(sti, modus)) return fp;
    if (skriv) {
        // Create the folders on the path, then try once more.
        std::string kopi(sti);
        for (size_t i = kopi.find('/'); i != std::string::npos; i = kopi.find('/', i + 1)) {
            if (i == 0) continue;
            ::mkdir(kopi.substr(0, i).c_str(), 0777);
        }
        if (FILE* fp = std::fopen(sti, modus)) return fp;
    }
    fatal("%s: Kan ikke %s %s!\n", prog, skriv ? "skrive p}" : "lese fra", sti);
}

FILE* apne_bryterfil(const char* navn) {
    // Opened without waiting, so that a pipe is seen for what it is.
    int fd = ::open(navn, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        skrivfeil("tolkar: '%s' er ikke en vanlig fil, leses ikke\n", navn);
        return nullptr;
    }
    FILE* fp = ::fdopen(fd, "r");
    if (!fp) ::close(fd);
    return fp;
}

void* vmalloc(size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) fatal("vmalloc: Ikke nok RAM");
    return p;
}

char* vstrdup(const char* tekst) {
    size_t n = std::strlen(tekst) + 1;
    char* p = static_cast<char*>(std::malloc(n));
    if (!p) fatal("vstrdup: malloc(%d): Ikke nok RAM", static_cast<int>(n));
    std::memcpy(p, tekst, n);
    return p;
}

} // namespace decoder
