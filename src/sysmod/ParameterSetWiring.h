#pragma once

namespace sysmod {

class ParameterSet;
class ParameterSetTransfer;

// Start-up wiring: the module's two transfer slots run the read and write
// sequences of the given transfer object.
void wireParameterSetTransfer(ParameterSet &sysMod, ParameterSetTransfer &transfer);

}  // namespace sysmod
