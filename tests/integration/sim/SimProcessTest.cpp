// haltron-sim as a process on a pseudo-terminal, spoken to like the PC does.

#include "core/Bytes.h"
#include "sysmod/ParameterSetCodec.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using core::bytes;

namespace {

struct SimProcess {
    explicit SimProcess(const QStringList &options)
    {
        m_process.start(QStringLiteral(HALTRON_SIM), QStringList{QStringLiteral("--pty"), QStringLiteral("--traffic"), QStringLiteral("0")} + options);
        if (m_process.waitForReadyRead(5000)) m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~SimProcess()
    {
        closeLine();
        m_process.kill();
        m_process.waitForFinished(2000);
    }

    bool openLine()
    {
        m_fd = ::open(m_path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        if (m_fd < 0) return false;
        termios raw{};
        tcgetattr(m_fd, &raw);
        cfmakeraw(&raw);
        tcsetattr(m_fd, TCSANOW, &raw);
        return true;
    }
    void closeLine()
    {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

    // One line byte out, the reply back; -1 after waitMs without one.
    int exchange(quint8 byte, int waitMs = 500)
    {
        if (::write(m_fd, &byte, 1) != 1) return -1;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, waitMs) != 1) return -1;
        quint8 reply = 0;
        return ::read(m_fd, &reply, 1) == 1 ? reply : -1;
    }

    // Sends the telegram nibble by nibble, then idles until the answer is home.
    QByteArray request(const QByteArray &telegram, int idles = 40)
    {
        QByteArray line;
        for (char c : telegram) line += bytes({quint8(c) >> 4, (quint8(c) & 0x0F) | 0x20});
        line += QByteArray(idles, 0x40);
        QByteArray answer;
        int assembly = 0;
        for (char c : line) {
            const int r = exchange(quint8(c));
            if (r < 0 || r & 0x40) {
                assembly = 0;
                continue;
            }
            assembly |= r & 0x0F;
            if (r & 0x20) {
                answer += char(assembly);
                assembly = 0;
            } else {
                assembly = (assembly << 4) & 0xFF;
            }
        }
        return answer;
    }

    // Writes data, then collects what comes back until want bytes or waitMs pass.
    QByteArray talk(const QByteArray &data, int want, int waitMs = 3000)
    {
        if (!data.isEmpty() && ::write(m_fd, data.constData(), size_t(data.size())) != data.size()) return {};
        QByteArray got;
        while (got.size() < want) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, waitMs) != 1) break;
            char buffer[256];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0) break;
            got.append(buffer, int(n));
        }
        return got;
    }

    QString path() const { return m_path; }
    void setPath(const QString &path) { m_path = path; }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QString m_path;
    int m_fd = -1;
};

TEST(SimProcess, AnswersTheHelloAndRoutesGroupRequests)
{
    SimProcess sim({QStringLiteral("--lifts"), QStringLiteral("2")});
    ASSERT_TRUE(sim.path().startsWith(QStringLiteral("/dev/"))) << sim.path().toStdString();
    ASSERT_TRUE(sim.openLine());
    EXPECT_EQ(sim.exchange(0xF0), 0xF0);
    EXPECT_EQ(sim.request(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));
    EXPECT_EQ(sim.request(bytes({0xF0, 0x10, 0x70, 0x01, 0xF2, 0x55, 0x1B})), bytes({0xF2, 0x02, 0x00}));
    EXPECT_EQ(sim.request(bytes({0xF1, 0x60})).size(), 7);

    // The program may close and reopen the line; the stand-in keeps serving.
    sim.closeLine();
    ASSERT_TRUE(sim.openLine());
    EXPECT_EQ(sim.request(bytes({0xF1, 0x00})), bytes({0xF1, 0x01}));
}

TEST(SimProcess, ARestartedStandInKeepsItsLinkName)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("controller"));
    for (int run = 0; run < 2; ++run) {
        SimProcess sim({QStringLiteral("--link"), link});
        ASSERT_TRUE(QFileInfo(link).isSymLink());
        sim.setPath(link);
        ASSERT_TRUE(sim.openLine());
        EXPECT_EQ(sim.request(bytes({0xF1, 0x00})), bytes({0xF1, 0x01})) << "run " << run;
    }
}

TEST(SimProcess, ModemDialsSynchronisesAndCarriesFramedRequests)
{
    SimProcess sim({QStringLiteral("--modem"), QStringLiteral("--lifts"), QStringLiteral("2")});
    ASSERT_TRUE(sim.openLine());
    EXPECT_EQ(sim.talk("AT\r", 6), QByteArray("\r\nOK\r\n"));
    EXPECT_EQ(sim.talk("ATDT0711123456\r", 17), QByteArray("\r\nCONNECT 19200\r\n"));
    EXPECT_EQ(sim.talk("AT01\r\x01", 3), bytes({0x06, 0x15, 0x15}));
    EXPECT_EQ(sim.talk(bytes({0x01}), 1), bytes({0x06}));
    EXPECT_EQ(sim.talk(bytes({0x02, 0x03, 0x0C, 0x05, 0x13}), 1), bytes({0x06}));

    // F0 10 70 01 F2 55 1B framed, answered by lift 1: F2 02 00.
    EXPECT_EQ(sim.talk(bytes({0x01}), 1), bytes({0x06}));
    EXPECT_EQ(sim.talk(bytes({0x02, 0x0B, 0x28, 0xFF, 0xFF, 0xF0, 0x10, 0x70, 0x01, 0xF2, 0x55, 0x1B, 0x03}), 2), bytes({0x06, 0x01}));
    EXPECT_EQ(sim.talk(bytes({0x06}), 9), bytes({0x02, 0x07, 0x28, 0xFF, 0xFF, 0xF2, 0x02, 0x00, 0x20}));
    sim.talk(bytes({0x06}), 0);
}

TEST(SimProcess, FaultOptions)
{
    SimProcess silent({QStringLiteral("--silent")});
    ASSERT_TRUE(silent.openLine());
    EXPECT_EQ(silent.exchange(0xF0, 300), -1);
    EXPECT_EQ(silent.exchange(0x0F, 300), -1);

    SimProcess wrong({QStringLiteral("--wrong-hello")});
    ASSERT_TRUE(wrong.openLine());
    EXPECT_EQ(wrong.request(bytes({0xF1, 0x00})), bytes({0xF1, 0x02}));
}

TEST(SimProcess, ModemFaultOptions)
{
    SimProcess busy({QStringLiteral("--modem"), QStringLiteral("--dial-result"), QStringLiteral("busy"),
                     QStringLiteral("--dial-seconds"), QStringLiteral("0")});
    ASSERT_TRUE(busy.openLine());
    EXPECT_EQ(busy.talk("ATDT0711123456\r", 8), QByteArray("\r\nBUSY\r\n"));

    SimProcess drop({QStringLiteral("--modem"), QStringLiteral("--hangup-after"), QStringLiteral("1"),
                     QStringLiteral("--dial-seconds"), QStringLiteral("0")});
    ASSERT_TRUE(drop.openLine());
    EXPECT_EQ(drop.talk("ATDT0711123456\r", 17), QByteArray("\r\nCONNECT 19200\r\n"));
    EXPECT_EQ(drop.talk({}, 14), QByteArray("\r\nNO CARRIER\r\n"));
}

// The system module as the 401 line serves it: select, then packets until it is whole.
QByteArray readSystemModule(SimProcess &sim)
{
    if (sim.request(bytes({0xF1, 0x05})).isEmpty()) return {};
    QByteArray image(sysmod::ImageSize, '\0');
    int pos = 0;
    for (int packets = 0; pos < sysmod::ImageSize && packets < 200; ++packets) {
        const QByteArray packet = sim.request(bytes({0xF1, 0x48}));
        if (core::byteAt(packet, 1) != 0x48) return {};
        sysmod::decodeRuns(packet, 2, core::byteAt(packet, 0) & 0x0F, image, pos);
    }
    return image;
}

TEST(SimProcess, SystemModuleChecksumFault)
{
    SimProcess good({});
    ASSERT_TRUE(good.openLine());
    const QByteArray image = readSystemModule(good);
    EXPECT_EQ(sysmod::wordAt(image, 0), sysmod::FormatWord);
    EXPECT_TRUE(sysmod::checksumValid(image));

    SimProcess faulty({QStringLiteral("--sysmod-checksum-fault")});
    ASSERT_TRUE(faulty.openLine());
    const QByteArray served = readSystemModule(faulty);
    EXPECT_EQ(served.size(), sysmod::ImageSize);
    EXPECT_FALSE(sysmod::checksumValid(served));
}

TEST(SimProcess, RefusesBadOptions)
{
    for (const QStringList &options : {QStringList{QStringLiteral("--lifts"), QStringLiteral("5")},
                                       QStringList{QStringLiteral("--modem"), QStringLiteral("--dial-result"), QStringLiteral("maybe")},
                                       QStringList{QStringLiteral("--noise"), QStringLiteral("2")},
                                       QStringList{QStringLiteral("--pty"), QStringLiteral("--noise-seed"), QStringLiteral("-1")},
                                       QStringList{QStringLiteral("--device"), QStringLiteral("/nonexistent/tty")},
                                       QStringList{QStringLiteral("--pty"), QStringLiteral("--device"), QStringLiteral("/dev/null")},
                                       QStringList{}}) {
        QProcess process;
        process.start(QStringLiteral(HALTRON_SIM), options);
        ASSERT_TRUE(process.waitForFinished(5000)) << options.join(' ').toStdString();
        EXPECT_EQ(process.exitCode(), 2) << options.join(' ').toStdString();
        EXPECT_FALSE(process.readAllStandardError().isEmpty());
    }
}

}  // namespace
