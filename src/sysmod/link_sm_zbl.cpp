#include "link_sm_zbl.h"

#include "sysmod/SysMod.h"
#include "sysmod/SysModTransfer.h"

namespace sysmod {

void link_sm_zbl(TSysMod &sysMod, TRW &transfer)
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
