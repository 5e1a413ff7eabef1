#pragma once

#include "core/Bytes.h"
#include "FakeChannel.h"
#include "protocol/Codes.h"

#include <QByteArray>
#include <QList>

#include <functional>

// A controller's memory behind a queue stand-in that answers one request at a
// time: select (F5 04), four bytes (F1 0B), 13 bytes moving on (F1 54), "KO"
// (F2 55 01). Requests can be dropped unanswered, as a flush does.
struct MemoryController : FakeChannel {
    QByteArray memory = QByteArray(0x10000, '\0');
    quint16 selected = 0;
    int topFloor = 3;
    std::function<QByteArray(const QByteArray &telegram)> override;  // an answer of its own, when not empty

    MemoryController() { controller = [this](const QByteArray &telegram) { return answer(telegram); }; }

    void put16(quint16 address, quint16 value)
    {
        memory[address] = char(value & 0xFF);
        memory[quint16(address + 1)] = char(value >> 8);
    }
    // A counter as the controller keeps it: low word below 10000, then the ten-thousands.
    void putCounter(quint16 address, quint32 value)
    {
        put16(address, quint16(value % 10000));
        put16(quint16(address + 2), quint16(value / 10000));
    }

    QByteArray answer(const QByteArray &t)
    {
        if (override) {
            const QByteArray own = override(t);
            if (!own.isEmpty()) return own;
        }
        if (t.startsWith(core::bytes({0xF5, 0x04}))) {
            selected = protocol::fromNibbles(t, 2);
            return QByteArray(1, char(0xF4)) + t.mid(2);
        }
        if (t == core::bytes({0xF1, 0x0B})) {
            QByteArray out(1, char(0xF8));
            for (int i = 0; i < 4; ++i) out += protocol::nibbles(quint8(memory[quint16(selected + i)])).left(2);
            return out;
        }
        if (t == core::bytes({0xF1, 0x54})) {
            QByteArray out(1, char(0xFD));
            for (int i = 0; i < 13; ++i) out += memory[quint16(selected + i)];
            selected = quint16(selected + 13);
            return out;
        }
        if (t == core::bytes({0xF2, 0x55, 0x01})) return core::bytes({0xF1, quint8(topFloor)});
        return {};
    }

    int count(const QByteArray &telegram) const { return int(sent.count(telegram)); }
};
