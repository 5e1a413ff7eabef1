// One answer from the controller, whatever its bytes: the first byte picks
// the decoder, the rest is the answer. Every decoder must take any length
// and any content without reading beyond it.

#include "core/IniFile.h"
#include "FakeChannel.h"
#include "core/Timer.h"
#include "monitor/ControllerFunctions.h"
#include "monitor/ControllerInfo.h"
#include "monitor/EepromDump.h"
#include "monitor/FaultLog.h"
#include "monitor/FaultRecord.h"
#include "monitor/LiftState.h"
#include "monitor/MonitorCodes.h"
#include "monitor/PortReader.h"
#include "monitor/StatisticsReader.h"
#include "panels/DisplayMirror.h"
#include "sysmod/ParameterSetCodec.h"

#include <cstddef>
#include <cstdint>

namespace {

void decodeParameterSetPacket(const QByteArray &answer)
{
    QByteArray image(1032, '\0');
    int pos = answer.isEmpty() ? 0 : quint8(answer[0]) * 4;
    sysmod::decodeRuns(answer, 1, int(answer.size()), image, pos);
    sysmod::checksumValid(answer);
}

void decodeDisplay(const QByteArray &answer)
{
    core::VirtualTime time;
    FunctionChannel channel;
    channel.onPut = [](int, core::AnswerProc, const QByteArray &) { return true; };
    panels::DisplayMirror mirror(time, channel, answer.size() % 2 == 0);
    mirror.makeReady();
    mirror.displayAnswer(answer);
    mirror.wholeDisplayAcknowledge(answer);
    mirror.displayAnswer(answer.mid(1));
    panels::DisplayMirror::displayText(answer);
}

void decodePorts(const QByteArray &answer)
{
    core::VirtualTime time;
    FakeChannel channel;  // takes the read and answers nothing
    monitor::PortReader reader(channel, time);
    reader.readPorts();
    reader.portAnswer(answer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    if (size == 0) return 0;
    const QByteArray answer(reinterpret_cast<const char *>(bytes) + 1, qsizetype(size - 1));
    static const monitor::MonitorTextLists texts =
        monitor::MonitorTextLists::fromLanguage(core::IniFile(QStringLiteral(HALTRON_DATA_DIR "/haltron_de.lng")));
    static monitor::FaultTextFile noFaultTexts;
    switch (bytes[0] % 12) {
    case 0: monitor::decodeLiftState(texts, answer); break;
    case 1: monitor::decodeAckLamps(answer); break;
    case 2:
        monitor::decodeCounter(answer);
        monitor::tripCounterText(answer);
        monitor::operatingHoursText(answer);
        break;
    case 3: monitor::formatFaultRecord(answer, noFaultTexts); monitor::faultListLine(answer, 7, noFaultTexts); break;
    case 4: monitor::decodeFaultCount(answer); monitor::faultCategoryName(answer); break;
    case 5: monitor::printableTextAnswer(answer); monitor::groupAddressText(answer); break;
    case 6: decodePorts(answer); break;
    case 7: decodeDisplay(answer); break;
    case 8:
        monitor::StatisticsReader::blockLine(answer);
        monitor::StatisticsReader::counterValue(answer, answer.isEmpty() ? 0 : quint8(answer[0]) % 20);
        break;
    case 9: decodeParameterSetPacket(answer); break;
    case 10: monitor::decodeMaintenanceBits(answer); monitor::maintenanceBitsText(answer); monitor::decodeGroupAnswer(answer); break;
    case 11: monitor::eepromDumpLines(QStringLiteral("eedMODEM  "), answer, int(answer.size()) + 3); break;
    }
    return 0;
}
