// tolkar: decodes NMEA 0183 lines from a UDP port, a serial line or a file.
#include "decoder/tolk.h"
#include "decoder/tolkar.h"

int main(int argc, char** argv) {
    decoder::Tolk tolk;
    return decoder::inputData(tolk, argc, argv);
}
