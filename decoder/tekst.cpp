#include "decoder/tekst.h"

#include "decoder/runtime.h"
#include "decoder/tid.h"
#include "decoder/tolk.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
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

int splittfelt(Tolk& t, const char* tekst) {
    std::fill(std::begin(t.felt), std::end(t.felt), nullptr);
    t.antfelt = -1;
    if (!tekst) return -1;
    size_t n = std::strlen(tekst);
    if (n > static_cast<size_t>(kNmeabufLengde)) return -1;
    std::memcpy(t.nmeabuf, tekst, n + 1);
    t.felt[0] = t.nmeabuf;
    int antall = 1;
    for (char* p = t.nmeabuf; (p = std::strchr(p, ',')); ++p) {
        if (antall == kMaksFelt) return -1;
        *p = '\0';
        t.felt[antall++] = p + 1;
    }
    return t.antfelt = antall;
}

const char* strTimeStamp(Tolk& t) {
    const char* dato = lokal_dato(t, t.klokke());
    long mikro = static_cast<long>(t.mikroklokke() % 1000000);
    if (mikro < 0) mikro += 1000000;
    std::snprintf(t.tidsstempel, sizeof t.tidsstempel, "%s:%ld", dato, mikro);
    return t.tidsstempel;
}

int hexsiffer(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return static_cast<unsigned char>(c) - 87;
}

FILE* vfopen(Tolk& t, const char* prog, const char* sti, const char* modus) {
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
    fatal(t, "%s: Kan ikke %s %s!\n", prog, skriv ? "skrive p}" : "lese fra", sti);
}

FILE* apne_bryterfil(Tolk& t, const char* navn) {
    // Opened without waiting, so that a pipe is seen for what it is.
    int fd = ::open(navn, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        skrivfeil(t, "tolkar: '%s' er ikke en vanlig fil, leses ikke\n", navn);
        return nullptr;
    }
    FILE* fp = ::fdopen(fd, "r");
    if (!fp) ::close(fd);
    return fp;
}

void* vmalloc(Tolk& t, size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) fatal(t, "vmalloc: Ikke nok RAM");
    return p;
}

char* vstrdup(Tolk& t, const char* tekst) {
    size_t n = std::strlen(tekst) + 1;
    char* p = static_cast<char*>(std::malloc(n));
    if (!p) fatal(t, "vstrdup: malloc(%d): Ikke nok RAM", static_cast<int>(n));
    std::memcpy(p, tekst, n);
    return p;
}

} // namespace decoder
