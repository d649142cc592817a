// Text, file and memory helpers the decoder is written with. Text results
// point into the caller's text or into the decoder's own buffers, which the
// next call of the same helper on the same decoder overwrites.
#pragma once

#include <cstddef>
#include <cstdio>

namespace decoder {

class Tolk;

int start(const char* tekst, const char* prefiks);
int strlik(const char* a, const char* b);
char* trim(char* tekst);
// Splits a copy of the text at its commas into t.felt and returns the
// number of fields (also kept in t.antfelt); -1 for a null text, one longer
// than 200 characters or one of more than 30 fields.
int splittfelt(Tolk& t, const char* tekst);
// "YYMMDDhhmmss:micro" of the wall clock in local time, in the decoder's buffer.
const char* strTimeStamp(Tolk& t);
int hexsiffer(char c);
// Opens the file, creating the folders of a path to write to; a file that
// cannot be opened is a fatal error.
FILE* vfopen(Tolk& t, const char* prog, const char* sti, const char* modus);
// Opens a start-up switch file for reading when it is a regular file (a link
// to one counts). Null, silently, when it is not there or cannot be opened;
// null with a message when it is something else, which could hang the start
// (a pipe with no writer) or never end (a device).
FILE* apne_bryterfil(Tolk& t, const char* navn);
void* vmalloc(Tolk& t, size_t n);
char* vstrdup(Tolk& t, const char* tekst);

} // namespace decoder
