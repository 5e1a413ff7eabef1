#include "ParameterSetWiring.h"

#include "sysmod/ParameterSet.h"
#include "sysmod/ParameterSetTransfer.h"

namespace sysmod {

void wireParameterSetTransfer(ParameterSet &sysMod, ParameterSetTransfer &transfer)
{
    sysMod.setTransfer(&transfer);
}

}  // namespace sysmod
