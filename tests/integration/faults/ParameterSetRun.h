#pragma once

// The program's parameter set and its transfer, put through any transfer
// queue, and the checks every faulty transfer must pass: a read ends with the
// controller's exact image or fails leaving the earlier one; a write lands
// whole or is reported failed, and never leaves a mix on the controller.

#include "LanguageFakes.h"
#include "SysModFakes.h"

#include "core/Reports.h"
#include "sysmod/ParameterSet.h"
#include "sysmod/ParameterSetTransfer.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace faults {

// What one transfer reported to its caller.
struct Outcome {
    QStringList success, failure;
    bool ended() const { return !success.isEmpty() || !failure.isEmpty(); }
    bool succeeded() const { return failure.isEmpty() && success.size() == 1; }
    std::string text() const
    {
        return ("success: " + success.join(',') + " failure: " + failure.join(',')).toStdString();
    }
};

// Runs the clock (virtual or the event loop) until done() holds; false when limitMs passed first.
using RunUntil = std::function<bool(const std::function<bool()> &done, int limitMs)>;

inline QByteArray otherImage(const QByteArray &image, int salt);
inline void expectWholeReadOrEarlierImage(const Outcome &read, const QByteArray &got, const QByteArray &controller,
                                          const QByteArray &earlier);
inline void expectWholeWriteOrFailure(const Outcome &written, const QByteArray &controller, const QByteArray &sent,
                                      const QByteArray &before);

struct ParameterSetSide {
    ParameterSetSide(core::TimerFactory &timers, core::Channel &channel, RunUntil runUntil)
        : rw(image, channel, timers, line, texts), run(std::move(runUntil))
    {
    }

    // Starts a read or write and runs it to its end, at most limitMs.
    Outcome transfer(bool write, int limitMs = 60000)
    {
        auto out = std::make_shared<Outcome>();
        auto success = [out](const QString &t) { out->success << t; };
        auto failure = [out](const QString &t) { out->failure << t; };
        if (write) rw.saveToQRx(success, failure, nullptr, nullptr);
        else rw.loadFromQRx(success, failure, nullptr, nullptr);
        EXPECT_TRUE(run([&] { return out->ended() && !rw.running(); }, limitMs)) << "the transfer did not end";
        EXPECT_LE(out->success.size() + out->failure.size(), 1) << out->text();
        return *out;
    }

    // With controllerImage set (the stand-in in-process): a read that starts
    // from an image unlike the controller's, checked whichever way it ends.
    Outcome checkedRead(int salt = 0)
    {
        const QByteArray earlier = otherImage(controllerImage(), salt);
        image.setImageData(earlier);
        const Outcome read = transfer(false);
        expectWholeReadOrEarlierImage(read, image.imageData(), controllerImage(), earlier);
        return read;
    }

    // A write of a changed image, checked whichever way it ends; the restart check after it included.
    Outcome checkedWrite(int salt)
    {
        const QByteArray before = controllerImage();
        const QByteArray sent = otherImage(before, salt);
        image.setImageData(sent);
        const Outcome written = transfer(true);
        run([] { return false; }, sysmod::ParameterSetTransfer::RestartWaitMs + 5000);
        expectWholeWriteOrFailure(written, controllerImage(), sent, before);
        return written;
    }

    sysmod::ParameterSet image;
    FakeTransferLine line;
    NumberTexts texts;
    sysmod::ParameterSetTransfer rw;
    RunUntil run;
    std::function<QByteArray()> controllerImage;
};

// An image that differs from the given one in a few bytes, with its checksum.
inline QByteArray otherImage(const QByteArray &image, int salt)
{
    sysmod::ParameterSet set;
    set.setImageData(image);
    for (int offset : {12, 13, 40, 200})
        set.setByte(offset, quint8(set.getByte(offset) + 1 + salt));
    set.updateChecksum();
    return set.imageData();
}

// A read ends with the controller's exact image, or fails and leaves the earlier one.
inline void expectWholeReadOrEarlierImage(const Outcome &read, const QByteArray &got, const QByteArray &controller,
                                          const QByteArray &earlier)
{
    if (read.succeeded()) {
        EXPECT_EQ(read.success, QStringList{QStringLiteral("Controller Data Read")});
        EXPECT_EQ(got, controller) << "a read reported done with a different image";
    } else {
        EXPECT_FALSE(read.failure.isEmpty()) << read.text();
        EXPECT_EQ(got, earlier) << "a failed read changed the image";
    }
}

// A write reported done left the new image on the controller; a failed one left the old or the new, never a mix.
inline void expectWholeWriteOrFailure(const Outcome &written, const QByteArray &controller, const QByteArray &sent,
                                      const QByteArray &before)
{
    if (written.succeeded()) {
        EXPECT_EQ(controller, sent) << "a write reported done did not land";
    } else {
        EXPECT_FALSE(written.failure.isEmpty()) << written.text();
        EXPECT_TRUE(controller == sent || controller == before) << "a broken write left a mix on the controller";
    }
}

}  // namespace faults
