#include "ParameterSetWiring.h"

#include "sysmod/ParameterSet.h"
#include "sysmod/ParameterSetTransfer.h"

namespace sysmod {

void wireParameterSetTransfer(ParameterSet &sysMod, ParameterSetTransfer &transfer)
{
    sysMod.loadFromQRx = [&transfer](TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus,
                                     ProgressCallback onProgress) {
        transfer.loadFromQRx(std::move(onSuccess), std::move(onFailure), std::move(onStatus), std::move(onProgress));
    };
    sysMod.saveToQRx = [&transfer](TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus,
                                   ProgressCallback onProgress) {
        transfer.saveToQRx(std::move(onSuccess), std::move(onFailure), std::move(onStatus), std::move(onProgress));
    };
}

}  // namespace sysmod
