// tolkar: decodes NMEA 0183 lines from a UDP port, a serial line or a file.
#include "decoder/tolkar.h"

int main(int argc, char** argv) { return decoder::inputData(argc, argv); }
