// Whole-process checks of the tolkar program: replay, UDP and serial input.
#include "tools/loopback.h"
#include "fangst.h"
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

// A running tolkar with its standard output and error on pipes.
class Prosess {
public:
    explicit Prosess(std::vector<std::string> args, const std::string& mappe = "") {
        args.insert(args.begin(), TOLKAR_BIN);
        int ut[2], feil[2];
        if (pipe2(ut, O_CLOEXEC) != 0 || pipe2(feil, O_CLOEXEC) != 0) std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            dup2(ut[1], 1);
            dup2(feil[1], 2);
            close(ut[0]);
            close(feil[0]);
            if (!mappe.empty() && chdir(mappe.c_str()) != 0) _exit(99);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(98);
        }
        close(ut[1]);
        close(feil[1]);
        ut_ = ut[0];
        feil_ = feil[0];
    }
    ~Prosess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(ut_);
        close(feil_);
    }

    // Reads standard output until it holds the text, for at most ten seconds.
    bool vent_paa(const std::string& tekst) {
        while (ut_tekst_.find(tekst) == std::string::npos)
            if (!les(ut_, ut_tekst_, 10000)) return false;
        return true;
    }
    // Waits for the end and returns the exit status (-1 on a time-out).
    int status() {
        bool slutt = true;
        while (les(ut_, ut_tekst_, 10000, &slutt)) {
        }
        if (slutt) {
            while (les(feil_, feil_tekst_, 10000, &slutt)) {
            }
        }
        if (!slutt) kill(pid_, SIGKILL); // hung: no status to report
        int st = 0;
        if (waitpid(pid_, &st, 0) != pid_) return -1;
        pid_ = -1;
        return slutt && WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    void stopp() { kill(pid_, SIGSTOP); }
    void fortsett() { kill(pid_, SIGCONT); }
    const std::string& ut() const { return ut_tekst_; }
    const std::string& feil() const { return feil_tekst_; }

private:
    // Appends what the pipe holds; false at its end (slutt) or after ms
    // milliseconds without anything (not slutt).
    static bool les(int fd, std::string& til, int ms, bool* slutt = nullptr) {
        pollfd p{fd, POLLIN, 0};
        if (slutt) *slutt = false;
        if (poll(&p, 1, ms) <= 0) return false;
        char buf[4096];
        ssize_t n = read(fd, buf, sizeof buf);
        if (slutt) *slutt = n <= 0;
        if (n <= 0) return false;
        til.append(buf, static_cast<size_t>(n));
        return true;
    }
    pid_t pid_ = -1;
    int ut_ = -1, feil_ = -1;
    std::string ut_tekst_, feil_tekst_;
};

void send_til(int port, const std::string& data) {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    sendto(s, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    close(s);
}

} // namespace

TEST(Prosess, ReplayAvDemoopptak) {
    Prosess p({std::string("-f") + TEST_DATA_DIR + "/demo.nmea"});
    EXPECT_EQ(p.status(), 0);
    EXPECT_EQ(p.ut().substr(0, 28), "cap = 349.975012 300.963756\n");
    EXPECT_NE(p.ut().find(" AIS VDM,1,1,,A,13u?etPv2;0n:dDPwUM1U1Cb069D,0\n"), std::string::npos)
        << p.ut();
    // The recording holds one damaged sentence.
    EXPECT_NE(p.feil().find("tolkar: Sjekksumfeil i '$HEHDT,9"), std::string::npos) << p.feil();
    EXPECT_EQ(p.feil().find("Sjekksumfeil"), p.feil().rfind("Sjekksumfeil"));
}

TEST(Prosess, ReplayFraRorErUteFoerDenVenter) {
    // Replay from a pipe: what the lines gave is out while the decoder waits
    // for more, also when half of the next line is already read, and with
    // every line end (after a CR, the LF of a CR LF may be all there is).
    for (std::string slutt : {"\r\n", "\r", "\n"}) {
        char mal[] = "/tmp/tolkar-ror-XXXXXX";
        std::string mappe = mkdtemp(mal);
        std::string ror = mappe + "/inn";
        ASSERT_EQ(mkfifo(ror.c_str(), 0600), 0);
        Prosess p({"-f" + ror}, mappe);
        int fd = open(ror.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        auto skriv = [fd](const std::string& s) {
            ASSERT_EQ(write(fd, s.data(), s.size()), static_cast<ssize_t>(s.size()));
        };
        skriv("$HEHDT,45.0,T" + slutt + "!AIVDM,2" + slutt + "!AIV");
        EXPECT_TRUE(p.vent_paa(" AIS VDM,2\n")) << p.ut();
        EXPECT_NE(p.ut().find(" Heading 45.0\n"), std::string::npos) << p.ut();
        skriv("DO,3" + slutt);
        EXPECT_TRUE(p.vent_paa(" AIS VDO,3\n")) << p.ut();
        skriv("!AIVDM,4" + slutt);
        EXPECT_TRUE(p.vent_paa(" AIS VDM,4\n")) << p.ut();
        close(fd); // the end of the input ends the replay
        EXPECT_EQ(p.status(), 0);
        EXPECT_TRUE(p.ut().ends_with(" AIS VDM,4\n")) << p.ut();
        std::system(("rm -rf '" + mappe + "'").c_str());
    }
}

TEST(Prosess, UdpMottarDatagrammer) {
    int port = loopback::ledig_port();
    Prosess p({"-u" + std::to_string(port)});
    ASSERT_TRUE(p.vent_paa("server: bindno = 0 port # = " + std::to_string(port) + "  \n"))
        << p.ut();
    EXPECT_NE(p.ut().find("tolkar upd port " + std::to_string(port) + " starter\n"),
              std::string::npos);
    send_til(port, "");                                   // empty datagram
    send_til(port, std::string(3000, '$'));               // over-long datagram
    send_til(port, std::string("\0\0\xff\x80", 4));       // NUL and top-bit bytes
    send_til(port, "!AIVDM,9,9*00\r\n!AIVDM,1,1,,A,x,0"); // two sentences in one datagram
    EXPECT_TRUE(p.vent_paa(" AIS VDM,1,1,,A,x,0\n")) << p.ut();
}

TEST(Prosess, UdpDekoderHverSetningIDatagrammetIRekkefolge) {
    int port = loopback::ledig_port();
    Prosess p({"-u" + std::to_string(port)});
    ASSERT_TRUE(p.vent_paa("server: bindno = 0")) << p.ut();
    std::string forventet;
    int nr = 0;
    for (std::string slutt : {"\r\n", "\n", "\r"}) {
        for (int antall : {1, 3, 10}) {
            std::string datagram;
            for (int i = 0; i < antall; ++i, ++nr) {
                std::string vdm = "AIVDM,1,1,,A," + std::to_string(nr) + ",0";
                datagram += testhjelp::med_sum("!" + vdm) + slutt;
                forventet += " AIS " + vdm.substr(2) + "\n";
            }
            send_til(port, datagram);
        }
    }
    ASSERT_TRUE(p.vent_paa(" AIS VDM,1,1,,A," + std::to_string(nr - 1) + ",0\n")) << p.ut();
    std::string dekodet; // the AIS lines without their time
    for (size_t i = p.ut().find(" AIS "); i != std::string::npos; i = p.ut().find(" AIS ", i + 1))
        dekodet += p.ut().substr(i, p.ut().find('\n', i) + 1 - i);
    EXPECT_EQ(dekodet, forventet);
}

TEST(Prosess, UdpTarImotEtStoetUtenTap) {
    // The decoder stands still while a burst arrives, as when it is not
    // scheduled for a while under load; the socket must hold all of it.
    long maks = 0;
    if (FILE* f = std::fopen("/proc/sys/net/core/rmem_max", "r")) {
        if (std::fscanf(f, "%ld", &maks) != 1) maks = 0;
        std::fclose(f);
    }
    if (maks < 4 << 20) GTEST_SKIP() << "net.core.rmem_max " << maks << " caps the buffer";
    int port = loopback::ledig_port();
    Prosess p({"-u" + std::to_string(port)});
    ASSERT_TRUE(p.vent_paa("server: bindno = 0")) << p.ut();
    constexpr int kAntall = 3000;
    p.stopp();
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    for (int i = 0; i < kAntall; ++i) {
        std::string d = "!AIVDM," + std::to_string(i);
        sendto(s, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    close(s);
    p.fortsett();
    p.vent_paa(" AIS VDM," + std::to_string(kAntall - 1) + "\n");
    size_t linjer = 0;
    const std::string& ut = p.ut();
    for (size_t i = ut.find(" AIS VDM,"); i != std::string::npos; i = ut.find(" AIS VDM,", i + 1))
        ++linjer;
    EXPECT_EQ(linjer, static_cast<size_t>(kAntall));
}

TEST(Prosess, UgyldigUdpPortBlir49001) {
    // The decoder falls back to 49001; skip if something else has it.
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(49001);
    bool ledig = bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    if (!ledig) GTEST_SKIP() << "port 49001 in use";
    Prosess p({"-u70000"});
    EXPECT_TRUE(p.vent_paa("server: bindno = 0 port # = 49001  \n")) << p.ut();
}

TEST(Prosess, OpptattPortGirStatus2) {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    const std::string port = std::to_string(ntohs(a.sin_port));
    Prosess p({"-u" + port});
    EXPECT_EQ(p.status(), 2);
    EXPECT_NE(p.ut().find("server: can't bind local address\n"), std::string::npos) << p.ut();
    EXPECT_EQ(p.feil(), "tolkar: Kan ikke bruke UDP-port " + port + ": " + std::strerror(EADDRINUSE) + "\n");
    close(s);
}

TEST(Prosess, UkjentOpsjon) {
    Prosess p({"-q"});
    EXPECT_NE(p.status(), 0);
    EXPECT_EQ(p.feil(), "tolkar: Ukjent opsjon -q\n");
}

TEST(Prosess, SerielinjeSettesOppOgLeses) {
    // Close-on-exec, or the decoder would hold the master open itself.
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    std::string slave = ptsname(master);
    char mal[] = "/tmp/tolkar-serie-XXXXXX";
    std::string mappe = mkdtemp(mal);
    FILE* g = std::fopen((mappe + "/glemnmea").c_str(), "w");
    std::fputs("$GPGSV\n", g);
    std::fclose(g);

    Prosess p({"-b9600", "-l" + slave}, mappe);
    ASSERT_TRUE(p.vent_paa("tolkar -l" + slave + " starter\n")) << p.ut();
    std::string navn = slave.substr(slave.rfind('/') + 1);
    EXPECT_NE(p.ut().find("tolkar: " + navn + ": Skal glemme $GPGSV\n"), std::string::npos);

    int fd = open(slave.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    close(fd);
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(t.c_cflag & (PARENB | CSIZE), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_iflag & ICRNL, 0u);
    EXPECT_NE(t.c_oflag & ONLCR, 0u);

    const char linjer[] = "$GPGSV,1\r\n!AIVDM,2\r\n";
    ASSERT_EQ(write(master, linjer, sizeof linjer - 1), static_cast<ssize_t>(sizeof linjer - 1));
    EXPECT_TRUE(p.vent_paa(" AIS VDM,2\n")) << p.ut();
    EXPECT_EQ(p.ut().find("GPGSV,1"), std::string::npos);
    close(master); // hang-up: the input ends
    EXPECT_EQ(p.status(), 0);
    std::system(("rm -rf '" + mappe + "'").c_str());
}
