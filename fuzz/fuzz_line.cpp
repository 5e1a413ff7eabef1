// Arbitrary bytes from the far end of the line: the 401 line driver takes
// them as the controller's replies, with requests and block reads going out
// between them and the line timer running on virtual time; the framing layer
// of the modem route takes them as received bytes while a transfer waits,
// and its frame search and unpacking see them whole.

#include "core/Reports.h"
#include "FakeChannel.h"
#include "core/Timer.h"
#include "comlink/ComPort.h"
#include "comlink/FramedLink.h"
#include "comlink/SerialLine.h"
#include "protocol/Line401.h"

#include <cstddef>
#include <cstdint>

namespace {

const QByteArray Requests[] = {QByteArray("\xF1\x00", 2), QByteArray("\xF1\x60", 2), QByteArray("\xF3\x55\x1C\x00", 4),
                               QByteArray("\xF0\x10\x70\x01\xF1\x42", 6)};

void fuzzLineDriver(const QByteArray &data)
{
    core::VirtualTime time;
    auto [pcEnd, controllerEnd] = comlink::MemorySerialLine::createPair();
    controllerEnd->open(QStringLiteral("controller"));
    comlink::ComPort port(*pcEnd, time);
    protocol::Line401 line(port, time);
    FunctionChannel channel;
    channel.onPut = [&line](int, core::AnswerProc onAnswer, const QByteArray &telegram) {
        line.lineSend(telegram, std::move(onAnswer));
        return true;
    };
    line.setChannel(&channel);
    line.setLinkMode(0);
    line.startStopLine();
    for (qsizetype i = 0; i < data.size(); ++i) {
        const quint8 byte = quint8(data[i]);
        // Every so often a request, a block read or a pause long enough for the line timer.
        if (i % 13 == 0) line.lineSend(Requests[byte % 4], [](const QByteArray &) {});
        if (i % 97 == 5) line.startBlockRead([](const QByteArray &, bool) {}, 1 + byte % 40);
        if (i % 61 == 7) time.advance(byte * 20);
        controllerEnd->write(QByteArray(1, char(byte)));
    }
    time.advance(5000);
    line.zblPortHalt();
}

// A partner that answers each line byte, mostly idle, so the line settles into
// its steady idle and hands it to the line; the input picks the other replies,
// the requests and the pauses that take it back.
void fuzzIdleHandover(const QByteArray &data)
{
    core::VirtualTime time;
    auto [pcEnd, controllerEnd] = comlink::MemorySerialLine::createPair(&time, 1);
    pcEnd->setIdleExchangeSupported(true);
    controllerEnd->open(QStringLiteral("controller"));
    qsizetype next = 0;
    comlink::MemorySerialLine &partner = *controllerEnd;
    partner.onReadyRead = [&] {
        for (qsizetype n = partner.read(partner.bytesAvailable()).size(); n > 0 && next < data.size(); --n) {
            const quint8 byte = quint8(data[next++]);
            if (byte % 5 != 0) partner.write(QByteArray(1, char(0x40)));
            else if (byte % 3 != 0) partner.write(QByteArray(1, char(byte)));  // else silent for this byte
        }
    };
    comlink::ComPort port(*pcEnd, time);
    protocol::Line401 line(port, time);
    line.setLinkMode(0);
    line.startStopLine();
    for (qsizetype i = 0; next < data.size() && i < data.size(); ++i) {
        const quint8 byte = quint8(data[i]);
        if (byte % 11 == 0) line.lineSend(Requests[byte % 4], [](const QByteArray &) {});
        time.advance(byte % 7 == 0 ? 1 + byte * 10 : 1 + byte % 4);
    }
    time.advance(5000);
    line.zblPortHalt();
}

void fuzzFraming(const QByteArray &data)
{
    bool complete = false;
    comlink::FramedLink::findAnswerFrame(data, comlink::FramedLink::StandardHeader, &complete);
    comlink::FramedLink::unpackAnswer(data);

    core::VirtualTime time;
    comlink::FramedLink link(time);
    std::function<void(int)> rxHook;
    qsizetype taken = 0;
    link.sendString = [](const QByteArray &) { return true; };
    link.setPortRxHook = [&rxHook](std::function<void(int)> hook) { rxHook = std::move(hook); };
    link.readChars = [&](int count) {
        const QByteArray chunk = data.mid(taken, count);
        taken += chunk.size();
        return chunk;
    };
    link.kavcomSend(QByteArray("\xF1\x00", 2), [](const QByteArray &) {});
    // The bytes arrive in pieces whose sizes come from the data itself.
    for (qsizetype i = 0; taken < data.size() && i < data.size(); ++i) {
        if (rxHook) rxHook(1 + quint8(data[i]) % 16);
        else link.kavcomSend(QByteArray("\xF1\x60", 2), [](const QByteArray &) {});
        if (i % 7 == 0) time.advance(quint8(data[i]) * 40);
    }
    time.advance(comlink::FramedLink::AnswerTimeoutMs + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    core::reports().reset();
    const QByteArray data(reinterpret_cast<const char *>(bytes), qsizetype(size));
    fuzzLineDriver(data);
    fuzzIdleHandover(data);
    fuzzFraming(data);
    return 0;
}
