#pragma once

#include "monitor/EepromDump.h"
#include "protocol/CommandLibrary.h"

namespace monitor {

// The command library's memory requests as a dump reads them.
class LibraryMemory final : public InfoMemory {
public:
    explicit LibraryMemory(protocol::CommandLibrary &library) : m_library(library) {}
    void selectAndReadInfo(quint16 address, std::function<void()> done, std::function<void()> failed) override
    {
        m_library.selectAndReadInfo(address, std::move(done), std::move(failed));
    }
    int copyInfoBytes(QByteArray &dest, int pos) const override { return m_library.copyInfoBytes(dest, pos); }

private:
    protocol::CommandLibrary &m_library;
};

}  // namespace monitor
