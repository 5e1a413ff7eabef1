// The monitor linked to a controller whose every answer comes from the fuzz
// input: the greeting, the three configuration blocks that build the shaft,
// the lift state, the acknowledge lamps and the counters of the polling
// cycle, in whatever length and content. Answer lengths and contents are
// taken from the input in turn; the cycle runs on virtual time.

#include "FakeChannel.h"
#include "MonitorFakes.h"
#include "core/Timer.h"
#include "monitor/MonitorControl.h"

#include <cstddef>
#include <cstdint>
#include <deque>

namespace {

// The input read as answers: a length byte, then that many bytes (cut at the end).
struct Answers {
    QByteArray data;
    qsizetype at = 0;
    bool empty() const { return at >= data.size(); }
    QByteArray next()
    {
        if (empty()) return {};
        const int length = quint8(data[at++]) % 24;
        const QByteArray answer = data.mid(at, length);
        at += answer.size();
        return answer;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    Answers answers{QByteArray(reinterpret_cast<const char *>(bytes), qsizetype(size))};
    core::VirtualTime time;
    std::deque<core::AnswerProc> pending;
    FunctionChannel channel;
    FakeMonitorPartners partners;
    partners.reports.reportWrite = nullptr;  // nothing kept between inputs
    FakeShaftView shaft;
    monitor::MonitorControl monitor(time, {{"normal", "s1", "s2", "s3"}, {"zu", "offen"}, {"ok"}}, partners.with(channel));
    channel.onPut = [&pending](int, core::AnswerProc onAnswer, const QByteArray &) {
        pending.push_back(std::move(onAnswer));
        return pending.size() < 64;
    };
    monitor.setShaftView(&shaft);
    monitor.loadTask(63);
    monitor.onLinkUp(QStringLiteral("qrx"));
    // Answer what was asked, one at a time, and let the cycle ask again.
    for (int round = 0; round < 400 && !answers.empty(); ++round) {
        if (pending.empty()) {
            time.advance(50);
            continue;
        }
        core::AnswerProc onAnswer = std::move(pending.front());
        pending.pop_front();
        if (onAnswer) onAnswer(answers.next());
        if (round % 5 == 0) monitor.sendCall(answers.next().size(), round % 3, round % 4);
    }
    monitor.monitorHalt();
    return 0;
}
