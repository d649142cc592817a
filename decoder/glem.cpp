#include "decoder/linjer.h"
#include "decoder/runtime.h"
#include "decoder/tekst.h"
#include "decoder/tolk.h"
#include "decoder/tolkar.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace decoder {

namespace {
void tom_liste(Tolk& t) {
    while (t.forsteglem) {
        glemnode* neste = t.forsteglem->neste;
        std::free(t.forsteglem->tekst);
        std::free(t.forsteglem);
        t.forsteglem = neste;
    }
}
} // namespace

void glem(Tolk& t, const char* prefiks) {
    auto* node = static_cast<glemnode*>(vmalloc(t, sizeof(glemnode)));
    node->tekst = vstrdup(t, prefiks);
    node->neste = t.forsteglem;
    t.forsteglem = node;
}

void lesglem(Tolk& t) {
    tom_liste(t);
    const char* navn = t.ttynavn ? t.ttynavn : "";
    std::string prefiks = std::string(navn) + ":";
    FILE* fp = apne_bryterfil(t, "glemnmea");
    if (!fp) return;
    char linje[kLinjelengde];
    bool cr = false;
    while (talinje(t, linje, fp, cr) >= 0) {
        if (char* h = std::strchr(linje, '#')) *h = '\0';
        char* post = trim(linje);
        if (char* kolon = std::strchr(post, ':')) {
            if (!start(post, prefiks.c_str())) continue;
            post = trim(kolon + 1);
        }
        if (!*post) continue;
        glem(t, post);
        skriv(t, "tolkar: %s: Skal glemme %s\n", navn, post);
    }
    std::fclose(fp);
}

bool glemt(const Tolk& t, const char* tekst) {
    for (const glemnode* n = t.forsteglem; n; n = n->neste)
        if (start(tekst, n->tekst)) return true;
    return false;
}

} // namespace decoder
