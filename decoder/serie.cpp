#include "decoder/runtime.h"
#include "decoder/tolk.h"
#include "decoder/tolkar.h"

#include <cstdlib>
#include <termios.h>

namespace decoder {

namespace {
struct Fart {
    long baud;
    speed_t kode;
};
constexpr Fart kFarter[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},
    {150, B150},       {200, B200},       {300, B300},       {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};
} // namespace

// Applied directly rather than through a shell running stty: the device path
// and the speed come from the command line and never reach a shell.
bool sett_opp_linje(Tolk& t, int fd, const char* baud) {
    termios m{};
    if (::tcgetattr(fd, &m) != 0) return false;
    char* slutt = nullptr;
    long b = std::strtol(baud, &slutt, 10);
    bool kjent = false;
    if (slutt && *slutt == '\0') {
        for (const Fart& f : kFarter) {
            if (f.baud != b) continue;
            ::cfsetispeed(&m, f.kode);
            ::cfsetospeed(&m, f.kode);
            kjent = true;
        }
    }
    if (!kjent) skrivfeil(t, "tolkar: Ukjent baud %s\n", baud);
    m.c_iflag &= ~static_cast<tcflag_t>(ICRNL | IXOFF | IGNPAR);
    m.c_oflag |= ONLCR;
    m.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CSIZE | CRTSCTS);
    m.c_cflag |= CS8;
    m.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON);
    m.c_cc[VMIN] = 1;
    m.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &m) == 0;
}

} // namespace decoder
