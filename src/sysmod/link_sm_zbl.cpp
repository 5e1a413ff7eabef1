#include "link_sm_zbl.h"

#include "sysmod/SysMod.h"
#include "sysmod/SysModTransfer.h"

namespace sysmod {

void link_sm_zbl(TSysMod &sysMod, TRW &transfer)
{
    sysMod.LoadFromQRx = [&transfer](TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus,
                                     ProgressCallback onProgress) {
        transfer.LoadFromQRx(std::move(onSuccess), std::move(onFailure), std::move(onStatus), std::move(onProgress));
    };
    sysMod.SaveToQRx = [&transfer](TextCallback onSuccess, TextCallback onFailure, TextCallback onStatus,
                                   ProgressCallback onProgress) {
        transfer.SaveToQRx(std::move(onSuccess), std::move(onFailure), std::move(onStatus), std::move(onProgress));
    };
}

}  // namespace sysmod
