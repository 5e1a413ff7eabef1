#include "protocol/CommandLibrary.h"

#include "protocol/Codes.h"
#include "core/Bytes.h"

#include <gtest/gtest.h>

using core::bytes;
using protocol::CommandLibrary;

namespace {

struct Request {
    int length;
    core::AnswerProc answer;
    QByteArray telegram;
};

// A channel that records: the test sees each request and answers it.
struct Recorder : core::Channel {
    int member() const override { return Unrouted; }
    bool putTo(int, core::Request request) override
    {
        if (acceptPuts-- <= 0) return false;
        requests.append(Request{request.answerLength, std::move(request.onAnswer), request.telegram});
        return true;
    }
    int acceptPuts = 1000;
    QList<Request> requests;
};

// The library over a recording channel.
struct Library : testing::Test {
    void answer(int i, const QByteArray &bytes)
    {
        ASSERT_LT(i, requests.size());
        if (requests[i].answer) requests[i].answer(bytes);
    }

    core::VirtualTime time{QDateTime(QDate(2026, 12, 8), QTime(4, 22, 31))};
    Recorder channel;
    int &acceptPuts = channel.acceptPuts;
    QList<Request> &requests = channel.requests;
    CommandLibrary lib{channel, time};
};

QByteArray textAnswer(const QByteArray &text) { return bytes({0xFF}) + text.leftJustified(15, '\0'); }
QByteArray count(quint16 value) { return bytes({0xF4}) + protocol::nibbles(value); }

using TextCall = std::function<void(CommandLibrary &, CommandLibrary::TextProc)>;

struct TextCase {
    const char *name;
    TextCall call;
    QList<QByteArray> telegrams;  // expected in order
    QList<int> lengths;
    QList<QByteArray> answers;  // one per request that gets answered
    QString expected;
    int acceptPuts = 1000;
};

const TextCall getVersion = [](CommandLibrary &l, CommandLibrary::TextProc p) { l.getVersion(p); };
const TextCall getTopFloor = [](CommandLibrary &l, CommandLibrary::TextProc p) { l.getTopFloor(p); };
const TextCall getInstallationCode = [](CommandLibrary &l, CommandLibrary::TextProc p) { l.getInstallationCode(p); };
const TextCall getTelephone = [](CommandLibrary &l, CommandLibrary::TextProc p) { l.getTelephone(p); };
const TextCall getClock = [](CommandLibrary &l, CommandLibrary::TextProc p) { l.getClock(p); };
const TextCall toggleA = [](CommandLibrary &l, CommandLibrary::TextProc p) { l.toggleSwitchA(p); };
const TextCall toggleB = [](CommandLibrary &l, CommandLibrary::TextProc p) { l.toggleSwitchB(p); };

const QByteArray F101 = bytes({0xF1, 0x01});
const QByteArray F2_5501 = bytes({0xF2, 0x55, 0x01});
const QByteArray F133 = bytes({0xF1, 0x33});
const QByteArray F135 = bytes({0xF1, 0x35});
const QByteArray F13A = bytes({0xF1, 0x3A});
const QByteArray F126 = bytes({0xF1, 0x26});
const QString Failed = QStringLiteral("Transfer.Fehler");
const QString Refused = QStringLiteral("transf.error");
const QString Unread = QString(QChar(0xFF));

const TextCase textCases[] = {
    {"version", getVersion, {F101}, {16}, {textAnswer("QRX V4.12 0399")}, "QRX V4.12 0399"},
    {"kennung", getInstallationCode, {bytes({0xF2, 0x55, 0x12})}, {16}, {textAnswer("ANLAGE 0815")}, "ANLAGE 0815"},
    {"telefon", getTelephone, {bytes({0xF2, 0x55, 0x14})}, {16}, {textAnswer("0711 4711")}, "0711 4711"},
    {"ko", getTopFloor, {F2_5501}, {2}, {bytes({0xF1, 0x07})}, QString(QChar(7))},
    {"clock", getClock, {F133, F135}, {5, 5}, {count(22648), count(60)}, "29.02.00/12:34:56"},
    {"clock blanks", getClock, {F133, F135}, {5, 5}, {count(7 * 1800 + 5 * 30 + 1), count(367)}, "01.01.01/ 7: 5: 2"},
    {"switch A on", toggleA, {F13A, bytes({0xF1, 0x3C})}, {2, 2}, {F101, bytes({0xF1, 0x00})}, "0"},
    {"switch A off", toggleA, {F13A, bytes({0xF1, 0x3B})}, {2, 2}, {bytes({0xF1, 0x00}), bytes({0xF1, 0x00})}, "1"},
    {"switch B on", toggleB, {F126, bytes({0xF1, 0x28})}, {2, 2}, {F101, bytes({0xF1, 0x00})}, "0"},
    {"switch B off", toggleB, {F126, bytes({0xF1, 0x27})}, {2, 2}, {bytes({0xF1, 0x02}), bytes({0xF1, 0x00})}, "1"},
    // Bad answers: wrong marker, short, empty.
    {"version wrong marker", getVersion, {F101}, {16}, {bytes({0xFE}) + QByteArray(15, 'A')}, Failed},
    {"version short", getVersion, {F101}, {16}, {bytes({0xFF, 0x41})}, Failed},
    {"kennung dummy", getInstallationCode, {bytes({0xF2, 0x55, 0x12})}, {16}, {QByteArray(16, '\0')}, Failed},
    {"ko short", getTopFloor, {F2_5501}, {2}, {bytes({0xF1})}, Unread},
    {"ko wrong marker", getTopFloor, {F2_5501}, {2}, {bytes({0x00, 0x07})}, Unread},
    {"clock time wrong", getClock, {F133}, {5}, {F101}, Failed},
    {"clock date short", getClock, {F133, F135}, {5, 5}, {count(0), bytes({0xF4, 1})}, Failed},
    {"switch read empty", toggleA, {F13A}, {2}, {QByteArray()}, Failed},
    {"switch set wrong", toggleB, {F126, bytes({0xF1, 0x27})}, {2, 2}, {bytes({0xF1, 0x00}), bytes({0x00, 0x00})}, Failed},
    // Refused puts.
    {"version refused", getVersion, {}, {}, {}, Refused, 0},
    {"kennung refused", getInstallationCode, {}, {}, {}, Refused, 0},
    {"ko refused", getTopFloor, {}, {}, {}, Unread, 0},
    {"clock second refused", getClock, {F133}, {5}, {count(100)}, Refused, 1},
    {"switch second refused", toggleA, {F13A}, {2}, {F101}, Refused, 1},
};

TEST_F(Library, TextOperationsRequestsAndDecoding)
{
    for (const TextCase &c : textCases) {
        SCOPED_TRACE(c.name);
        requests.clear();
        acceptPuts = c.acceptPuts;
        QStringList results;
        c.call(lib, [&](const QString &text) { results << text; });
        for (int i = 0; i < c.telegrams.size(); ++i) {
            ASSERT_EQ(requests.size(), i + 1);
            EXPECT_EQ(requests[i].telegram, c.telegrams[i]);
            EXPECT_EQ(requests[i].length, c.lengths[i]);
            if (i < c.answers.size()) answer(i, c.answers[i]);
        }
        EXPECT_EQ(requests.size(), c.telegrams.size());
        EXPECT_EQ(results, QStringList{c.expected});
    }
}

TEST_F(Library, VersionTextFollowsTheLastRequest)
{
    EXPECT_EQ(lib.versionText(), "??");
    QStringList first, second;
    lib.getVersion([&](const QString &t) { first << t; });
    EXPECT_EQ(lib.versionText(), "???");
    lib.getVersion([&](const QString &t) { second << t; });
    answer(0, textAnswer("V1"));
    answer(1, textAnswer("V2"));
    // Each caller gets the answer to its own request.
    EXPECT_EQ(first, QStringList{"V1"});
    EXPECT_EQ(second, QStringList{"V2"});
    EXPECT_EQ(lib.versionText(), "V2");
}

TEST_F(Library, WriteTextFields)
{
    EXPECT_TRUE(lib.setInstallationCode(QStringLiteral("AB")));
    EXPECT_TRUE(lib.setTelephone(QStringLiteral(" 0711-123456789012 ")));
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].telegram, bytes({0xFF, 0x55, 0x11, 0x41, 0x42}) + QByteArray(11, '\0'));
    EXPECT_EQ(requests[1].telegram, bytes({0xFF, 0x55, 0x13}) + QByteArray("0711-12345678"));
    EXPECT_EQ(requests[0].length, 2);
    EXPECT_FALSE(requests[0].answer);
    acceptPuts = 0;
    EXPECT_FALSE(lib.setInstallationCode(QStringLiteral("X")));
}

TEST_F(Library, SetClockSendsThePcTimeAndADateThatReadsBack)
{
    QStringList told;
    int done = 0;
    lib.onDateSent = [&](const QString &t) { told << t; };
    lib.setClock([&] { ++done; });
    EXPECT_EQ(lib.clockText(), "08.12.2026 04:22:31");
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].telegram, bytes({0xF5, 0x34}) + protocol::nibbles(4 * 1800 + 22 * 30 + 15));
    EXPECT_EQ(requests[0].length, 5);
    answer(0, count(0));
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[1].telegram.left(2), bytes({0xF5, 0x36}));
    EXPECT_EQ(requests[1].length, 5);
    // The controller shows what it was sent: the PC's date.
    const quint16 day = protocol::fromNibbles(requests[1].telegram, 2);
    EXPECT_EQ(protocol::dateText(day), "08.12.26");
    EXPECT_EQ(done, 0);
    answer(1, count(0));
    EXPECT_EQ(told, QStringList{"date.send"});
    EXPECT_EQ(done, 1);

    // A wrong answer to the time ends it without the date; a refused put at once.
    requests.clear();
    lib.setClock([&] { ++done; });
    answer(0, bytes({0xF1, 0x00}));
    EXPECT_EQ(requests.size(), 1);
    EXPECT_EQ(done, 2);
    acceptPuts = 0;
    lib.setClock([&] { ++done; });
    EXPECT_EQ(done, 3);
    EXPECT_EQ(told.size(), 1);
}

TEST_F(Library, SelectAndReadInfoDecodesNibblePairs)
{
    int done = 0;
    lib.selectAndReadInfo(0x1234, [&] { ++done; });
    EXPECT_EQ(lib.selectedAddress(), 0x1234);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].telegram, bytes({0xF5, 0x04, 0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(requests[0].length, 5);
    answer(0, count(0));
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[1].telegram, bytes({0xF1, 0x0B}));
    EXPECT_EQ(requests[1].length, 9);
    answer(1, bytes({0xF8, 0x0A, 0x0B, 0x01, 0x02, 0x03, 0x04, 0x0F, 0x0F}));
    EXPECT_EQ(done, 1);
    EXPECT_EQ(lib.infoBytes(), bytes({0xBA, 0x21, 0x43, 0xFF}));
    EXPECT_EQ(lib.infoWord(), 0x21BA);

    QByteArray dest("xx");
    EXPECT_EQ(lib.copyInfoBytes(dest, 2), 6);
    EXPECT_EQ(dest, QByteArray("xx") + bytes({0xBA, 0x21, 0x43, 0xFF}));

    // A wrong answer leaves zeros, not the last address's values.
    lib.selectAndReadInfo(0x0010, [&] { ++done; });
    answer(2, count(0));
    answer(3, bytes({0xF1, 0x00}));
    EXPECT_EQ(done, 2);
    EXPECT_EQ(lib.infoBytes(), QByteArray(4, '\0'));
    EXPECT_EQ(lib.infoWord(), 0);

    acceptPuts = 1;
    lib.selectAndReadInfo(0x0020, [&] { ++done; });
    answer(4, count(0));
    EXPECT_EQ(done, 3);
}

TEST_F(Library, SelectAddressAndReadBlock)
{
    int done = 0;
    lib.selectAddress(0xBEEF, [&] { ++done; });
    EXPECT_EQ(lib.selectedAddress(), 0xBEEF);
    EXPECT_EQ(requests[0].telegram, bytes({0xF5, 0x04, 0x0F, 0x0E, 0x0E, 0x0B}));
    answer(0, count(0));
    EXPECT_EQ(done, 1);

    lib.readBlock([&] { ++done; });
    EXPECT_EQ(requests[1].telegram, bytes({0xF1, 0x54}));
    EXPECT_EQ(requests[1].length, 14);
    QByteArray block = bytes({0xFD});
    for (int i = 1; i <= 13; ++i) block.append(char(0x10 + i));
    answer(1, block);
    EXPECT_EQ(done, 2);
    EXPECT_EQ(lib.blockByte(1), 0x11);
    EXPECT_EQ(lib.blockByte(13), 0x1D);
    EXPECT_EQ(lib.blockByte(0), 0);
    EXPECT_EQ(lib.blockByte(14), 0);

    lib.readBlock([&] { ++done; });
    EXPECT_EQ(lib.blockByte(1), 0);  // cleared at the request
    answer(2, block.left(5));  // short
    EXPECT_EQ(done, 3);
    EXPECT_EQ(lib.blockByte(1), 0);

    acceptPuts = 0;
    lib.readBlock([&] { ++done; });
    lib.selectAddress(1, [&] { ++done; });
    EXPECT_EQ(done, 5);
}

TEST_F(Library, GroupStopAndFinishPassTheAnswerThrough)
{
    QList<QByteArray> got;
    auto keep = [&](const QByteArray &a) { got << a; };
    lib.sendStopGroup(keep);
    lib.sendGroupFinish(keep);
    EXPECT_EQ(requests[0].telegram, bytes({0xF1, 0x46}));
    EXPECT_EQ(requests[1].telegram, bytes({0xF1, 0x47}));
    EXPECT_EQ(requests[1].length, 2);
    answer(0, F101);
    acceptPuts = 0;
    lib.sendStopGroup(keep);
    EXPECT_EQ(got, (QList<QByteArray>{F101, QByteArray("transf.error")}));
}

TEST_F(Library, SysErrorTextIsKept)
{
    EXPECT_EQ(lib.sysErrorText(1, 42), "Error(42): syserror-2");
    EXPECT_EQ(lib.lastErrorText(), "Error(42): syserror-2");
}

}  // namespace
