#pragma once

// The program's local-link stack (port, 401 line driver, transfer queue in
// mode 2) cabled to the stand-in controller, all in one process on virtual
// time. Link with haltron_sim, haltron_line401_logic and haltron_protocol_logic.

#include "Cable.h"
#include "core/Timer.h"
#include "comlink/ComPort.h"
#include "protocol/LinkLoss.h"
#include "protocol/LocalRoute.h"
#include "sim/CommandSet.h"
#include "sim/Installation.h"
#include "sim/Line401Partner.h"

#include <functional>
#include <memory>

struct LocalLinkFixture {
    explicit LocalLinkFixture(const sim::InstallationSetup &setup = {}, const sim::PartnerOptions &options = {})
        : installation(time, setup), commands(installation), partner(*cable.controller, time, commands, options)
    {
        queue.setMode(2);
        protocol::routeQueueToLine(queue, line, port);
        protocol::connectLineToQueue(line, queue, channel);
        protocol::flushOnLinkLoss(queue, port);
    }

    // The local route and the link action, as the main window starts them; true once the link is up.
    bool start()
    {
        line.setLinkMode(0);
        line.startStopLine();
        return runUntil([this] { return port.isLinked(); }, 5000);
    }

    // Advances time in small steps until done() holds; false if limitMs passed first.
    bool runUntil(const std::function<bool()> &done, int limitMs, int stepMs = 10)
    {
        for (int waited = 0; !done(); waited += stepMs) {
            if (waited >= limitMs) return false;
            time.advance(stepMs);
        }
        return true;
    }

    core::VirtualTime time;
    testsupport::Cable cable{time};
    // The stand-in controller.
    sim::Installation installation;
    sim::CommandSet commands;
    sim::Line401Partner partner;
    // The program's side.
    comlink::ComPort port{*cable.pc, time};
    protocol::Line401 line{port, time};
    protocol::TransferQueue queue{time};
    protocol::ControllerChannel channel{queue};
};
