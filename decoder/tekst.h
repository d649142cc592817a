// Text, time and memory helpers the decoder is written with. Text results
// point into the caller's text or into a static buffer that the next call of
// the same helper overwrites; all of them run on the decoder thread only.
#pragma once

#include <cstddef>
#include <cstdio>

namespace decoder {

inline constexpr int kLinjelengde = 1024; // line buffer: 1023 characters and a terminator

int start(const char* tekst, const char* prefiks);
int strlik(const char* a, const char* b);
char* trim(char* tekst);
int splittfelt(const char* tekst);
const char* ts(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
const char* strTimeStamp();
int hexsiffer(char c);
FILE* vfopen(const char* prog, const char* sti, const char* modus);
// Opens a start-up switch file for reading when it is a regular file (a link
// to one counts). Null, silently, when it is not there or cannot be opened;
// null with a message when it is something else, which could hang the start
// (a pipe with no writer) or never end (a device).
FILE* apne_bryterfil(const char* navn);
void* vmalloc(size_t n);
char* vstrdup(const char* tekst);

} // namespace decoder
