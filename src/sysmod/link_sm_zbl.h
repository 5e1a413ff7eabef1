#pragma once

namespace sysmod {

class TSysMod;
class TRW;

// Start-up wiring: the module's two transfer slots run the read and write
// sequences of the given transfer object.
void link_sm_zbl(TSysMod &sysMod, TRW &transfer);

}  // namespace sysmod
