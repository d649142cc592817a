#include "decoder/state.h"
#include "decoder/linjer.h"
#include "decoder/runtime.h"
#include "decoder/tekst.h"
#include "decoder/tolkar.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace decoder {

glemnode* forsteglem = nullptr;

namespace {
void tom_liste() {
    while (forsteglem) {
        glemnode* neste = forsteglem->neste;
        std::free(forsteglem->tekst);
        std::free(forsteglem);
        forsteglem = neste;
    }
}
const bool registrert = registrer_nullstiller(tom_liste);
} // namespace

void lesglem() {
    (void)registrert;
    tom_liste();
    const char* navn = ttynavn ? ttynavn : "";
    std::string prefiks = std::string(navn) + ":";
    FILE* fp = apne_bryterfil("glemnmea");
    if (!fp) return;
    char linje[kLinjelengde];
    bool cr = false;
    while (talinje(linje, fp, cr) >= 0) {
        if (char* h = std::strchr(linje, '#')) *h = '\0';
        char* post = trim(linje);
        if (char* kolon = std::strchr(post, ':')) {
            if (!start(post, prefiks.c_str())) continue;
            post = trim(kolon + 1);
        }
        if (!*post) continue;
        auto* node = static_cast<glemnode*>(vmalloc(sizeof(glemnode)));
        node->tekst = vstrdup(post);
        node->neste = forsteglem;
        forsteglem = node;
        skriv("tolkar: %s: Skal glemme %s\n", navn, post);
    }
    std::fclose(fp);
}

bool glemt(const char* tekst) {
    for (const glemnode* n = forsteglem; n; n = n->neste)
        if (start(tekst, n->tekst)) return true;
    return false;
}

} // namespace decoder
